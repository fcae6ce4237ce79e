// The main window's chart: painting, dragging the trend-line handles, saving and loading
// them, and the hover read-out.
#include "ChartTestData.h"
#include "app/MainForm.h"
#include "app/TrendLines.h"
#include "chart/ChartDrawing.h"
#include "chart/HoverText.h"
#include "chart/ThirdFriday.h"
#include "history/SeriesModel.h"
#include "support/Clock.h"
#include "support/Folders.h"
#include "support/SettingsStore.h"
#include "support/Trace.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
const QDate Today(2012, 6, 12);
constexpr int PastDays = 169;
// 201 days rising from 480 to 530 on a plot area of 402 x 240: 2 pixels a day and
// 4 pixels a point, so (200, 139) is day FirstDay + 100 at exactly 500.25.
const QSize ExactPlot(402, 240);
constexpr int Panels[2] = {152 + 100, 41 + 100}; // list and top panel, margins around the plot

int FirstDay()
{
    return Support::DayNumber(Today) - PastDays;
}

History::EntryList ExactSeries()
{
    return ChartTest::LinearSeries(FirstDay(), 201, 480, 530);
}

QSize WindowFor(QSize plot)
{
    return {plot.width() + Panels[0], plot.height() + Panels[1]};
}

// Refused at once on the loopback: loading's closing-price fetch never leaves the machine.
const QByteArray LocalSources =
    "[Sources]\nQuoteSite=http://127.0.0.1:1/\nClosingPricesSite=http://127.0.0.1:1/\n"
    "MakerSite=http://127.0.0.1:1/\nQuoteSources=page\nClosingPricesSources=list\n";

bool WriteIni(const QByteArray& defaults)
{
    return TestSupport::WriteFile(TestSupport::IniPath(), "[Defaults]\n" + defaults + "\n" + LocalSources);
}

int DrawGraphCount()
{
    const QByteArray log = TestSupport::ReadFile(TestSupport::DataFolder() + "Koerszicht.log");
    return static_cast<int>(log.count("MainForm.DrawGraph - begin"));
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Presses a handle, moves the cursor over the plot area through `points` and lets go.
void Drag(TMainForm& form, TShape* handle, const QList<QPoint>& points)
{
    SendMouse(handle, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    for (const QPoint& point : points)
        SendMouse(handle, QEvent::MouseMove, handle->mapFromGlobal(form.Image->mapToGlobal(point)),
                  Qt::LeftButton);
    SendMouse(handle, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
}

QString StoredText(const QString& key)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup("Defaults");
    return Support::SettingText(*settings, key, "absent");
}

// The main window as the program builds it, over a fetcher that has no connection.
struct Window
{
    Window() : rig(fetcher) {}
    TestSupport::ScriptedFetcher fetcher;
    TestSupport::MainFormRig rig;
};

const History::EntryList& Items(const TMainForm& form)
{
    return static_cast<const History::SeriesModel*>(form.ListBox->model())->Items();
}

// The hint a widget shows, with the program's CR LF line breaks.
QString Hint(const QWidget* widget)
{
    return widget->toolTip().replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

// The plot bitmap as the chart alone draws it, with the given trend lines on top.
QImage BareChart(TMainForm& form, const QList<std::pair<QPoint, QPoint>>& lines = {})
{
    QImage plot(form.Image->Bitmap().size(), QImage::Format_RGB32);
    plot.setDevicePixelRatio(form.Image->Bitmap().devicePixelRatio());
    QImage outer(form.Image1->Bitmap().size(), QImage::Format_RGB32);
    outer.setDevicePixelRatio(form.Image1->Bitmap().devicePixelRatio());
    Chart::DrawChart(plot, outer, Chart::ReadSeries(Items(form)), form.Lines->Scale(),
                     Chart::NextThirdFriday(Support::Clock::Today()), Support::RegionalSettings::Dutch());
    const QColor colours[] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
    for (int line = 0; line < lines.size(); ++line)
        Chart::DrawTrendLine(plot, colours[line], lines[line].first, lines[line].second);
    return plot;
}

QList<std::pair<QPoint, QPoint>> CurrentLines(const TMainForm& form)
{
    return {{form.Lines->LineFrom(0), form.Lines->LineTo(0)},
            {form.Lines->LineFrom(1), form.Lines->LineTo(1)},
            {form.Lines->LineFrom(2), form.Lines->LineTo(2)}};
}
} // namespace

class TestMainFormChart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstPaintDrawsChartAndDefaultLines();
    void dragRedrawsOnlyTheLine();
    void handlesAreCrisp();
    void dragStopsAtTheEdges_data();
    void dragStopsAtTheEdges();
    void handleKeepsDayAndValueAcrossResizeAndRestart();
    void resizeKeepsAnUnsavedDrag();
    void dragCloseAndStartAgain_data();
    void dragCloseAndStartAgain();
    void storedPositionsOutsideTheChart_data();
    void storedPositionsOutsideTheChart();
    void noScaleKeepsStoredHandles();
    void hoverBounds_data();
    void hoverBounds();
    void hoverThroughEvents();
    void listHover();

private:
    std::unique_ptr<Window> OpenForm(const History::EntryList& items, QSize plot = ExactPlot);
    TMainForm& Form() { return m_form->rig.form; }
    std::unique_ptr<Window> m_form;
};

void TestMainFormChart::init()
{
    TestSupport::ResetUserFolders();
    Support::SetRegional(Support::RegionalSettings::Dutch());
    Support::Clock::Set(QDateTime(Today, QTime(20, 0)));
    QVERIFY(WriteIni({}));
}

void TestMainFormChart::cleanup()
{
    m_form.reset();
    Support::TraceOn = false;
}

std::unique_ptr<Window> TestMainFormChart::OpenForm(const History::EntryList& items, QSize plot)
{
    auto form = std::make_unique<Window>();
    // No quotes and no version check in these tests.
    form->rig.form.DownloadTimer->stop();
    form->rig.form.UpdateTimer->stop();
    form->rig.session.Series().SetItems(items);
    form->rig.form.resize(WindowFor(plot));
    Support::TraceOn = true;
    form->rig.form.show();
    if (!QTest::qWaitForWindowExposed(&form->rig.form))
        return nullptr;
    if (!QTest::qWaitFor([&] { return form->rig.session.Painted(); }))
        return nullptr;
    return form;
}

void TestMainFormChart::firstPaintDrawsChartAndDefaultLines()
{
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TMainForm& form = Form();
    QCOMPARE(form.Image->size(), ExactPlot);
    QCOMPARE(form.GrafiekPanel->geometry(), QRect(QPoint(50, 50), ExactPlot));
    QCOMPARE(form.Lines->Scale().ChartRight, ExactPlot.width());
    QCOMPARE(form.Lines->Scale().ChartBottom, ExactPlot.height());
    QCOMPARE(form.Lines->Scale().DayScale, 2.0);
    QCOMPARE(m_form->rig.session.ThirdFridayDate(), QDate(2012, 6, 15));
    QVERIFY(DrawGraphCount() >= 1);

    const QPoint from[] = {{28, 28}, {28, 44}, {28, 60}};
    const QPoint to[] = {{44, 28}, {44, 44}, {44, 60}};
    for (int line = 0; line < 3; ++line) {
        QCOMPARE(form.Lines->LineFrom(line), from[line]);
        QCOMPARE(form.Lines->LineTo(line), to[line]);
    }
    QCOMPARE(form.Shape3->geometry(), QRect(24, 24, 11, 11));
    QCOMPARE(form.Shape8->geometry(), QRect(40, 56, 11, 11));
    QCOMPARE(form.Image->Bitmap(), BareChart(form, CurrentLines(form)));
    QVERIFY(form.Image->Bitmap() != BareChart(form));
    QCOMPARE(form.Image->Bitmap().pixel(28, 28), qRgb(0, 128, 68)); // green over light yellow
}

void TestMainFormChart::dragRedrawsOnlyTheLine()
{
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TMainForm& form = Form();
    const int draws = DrawGraphCount();
    QList<QPoint> path;
    for (int step = 0; step < 100; ++step)
        path << QPoint(60 + 3 * step, 200 - step);
    Drag(form, form.Shape4, path);
    QCOMPARE(DrawGraphCount(), draws);
    QVERIFY(!form.Lines->Dragging());
    QVERIFY(form.Lines->HandleMoved(1));
    QVERIFY(!form.Lines->HandleMoved(0));
    QCOMPARE(form.Shape4->pos(), path.last() - QPoint(4, 4));
    QCOMPARE(form.Lines->LineTo(0), path.last());
    // Every step erased the line it had drawn: only the current three lines are on the chart.
    QCOMPARE(form.Image->Bitmap(), BareChart(form, CurrentLines(form)));
    // Moves without the button held do nothing.
    form.Shape4MouseMove(QPointF(form.Image->mapToGlobal(QPoint(100, 100))));
    QCOMPARE(form.Shape4->pos(), path.last() - QPoint(4, 4));
}

// The six circles show their pen colour pixel for pixel, over the chart as it is drawn: a
// smoothed outline has no pixel of its colour and looks pale. CTest runs this once more at
// a device pixel ratio of 2 (QT_SCALE_FACTOR=2).
void TestMainFormChart::handlesAreCrisp()
{
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TMainForm& form = Form();
    const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
    QCOMPARE(form.devicePixelRatioF(), ratio);
    const QImage& plot = form.Image->Bitmap();
    QCOMPARE(plot.devicePixelRatio(), ratio);
    const QRgb pens[] = {qRgb(0, 128, 0), qRgb(0, 128, 0), qRgb(255, 0, 0),
                         qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(0, 0, 255)};
    TShape* const handles[] = {form.Shape3, form.Shape4, form.Shape5, form.Shape6, form.Shape7, form.Shape8};
    for (int handle = 0; handle < 6; ++handle) {
        const QWidget* shape = handles[handle];
        QCOMPARE(shape->size(), QSize(11, 11));
        const QImage seen = form.grab(QRect(shape->mapTo(&form, QPoint(0, 0)), shape->size())).toImage();
        QCOMPARE(seen.size(), QSize(11, 11) * ratio);
        // The handle's left and top on the panel are 1 pixel right of and below the plot's.
        const QPoint onPlot = (shape->pos() - QPoint(1, 1)) * ratio;
        int inPen = 0;
        for (int y = 0; y < seen.height(); ++y)
            for (int x = 0; x < seen.width(); ++x) {
                const QRgb pixel = seen.pixel(x, y) | 0xFF000000;
                if (pixel == pens[handle])
                    ++inPen;
                else
                    QVERIFY2(pixel == plot.pixel(onPlot + QPoint(x, y)),
                             qPrintable(QString("handle %1, pixel %2,%3 blended: %4")
                                            .arg(handle)
                                            .arg(x)
                                            .arg(y)
                                            .arg(pixel, 8, 16)));
            }
        // An 11-pixel ring has 32 pixels; at twice the ratio it is twice as long and twice as wide.
        QVERIFY2(inPen >= 28 * ratio * ratio, qPrintable(QString::number(inPen)));
    }
}

void TestMainFormChart::dragStopsAtTheEdges_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("follows");
    QTest::newRow("left edge") << QPoint(0, 100) << false;
    QTest::newRow("right edge") << QPoint(402, 100) << false;
    QTest::newRow("top edge") << QPoint(100, 0) << false;
    QTest::newRow("bottom edge") << QPoint(100, 240) << false;
    QTest::newRow("outside to the left") << QPoint(-20, 100) << false;
    QTest::newRow("just inside the right edge") << QPoint(401, 100) << true;
    QTest::newRow("just inside the bottom edge") << QPoint(100, 239) << true;
}

void TestMainFormChart::dragStopsAtTheEdges()
{
    QFETCH(QPoint, at);
    QFETCH(bool, follows);
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TMainForm& form = Form();
    Drag(form, form.Shape5, {QPoint(150, 120)});
    form.Lines->SaveHandles();
    QVERIFY(!form.Lines->HandleMoved(2));
    Drag(form, form.Shape5, {at});
    QCOMPARE(form.Shape5->pos(), (follows ? at : QPoint(150, 120)) - QPoint(4, 4));
    QVERIFY(form.Lines->HandleMoved(2)); // set also when the handle stayed
}

void TestMainFormChart::handleKeepsDayAndValueAcrossResizeAndRestart()
{
    const int day = FirstDay() + 100;
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    Drag(Form(), Form().Shape3, {QPoint(120, 60), QPoint(200, 139)});
    Form().Lines->SaveHandles();
    QCOMPARE(StoredText("Shape3-Left"), QString::number(day));
    QCOMPARE(StoredText("Shape3-Top"), QStringLiteral("500,2500"));
    QVERIFY(TestSupport::ReadFile(TestSupport::IniPath()).contains("Shape3-Top=\"500,2500\""));

    // A resize changes the scale; the handle stays on its day and value.
    const int draws = DrawGraphCount();
    Form().resize(WindowFor(QSize(555, 389)));
    QTRY_VERIFY(DrawGraphCount() > draws);
    QCOMPARE(Form().Image->size(), QSize(555, 389));
    const QPoint reference = Form().Shape3->pos() + QPoint(4, 4);
    QCOMPARE(Form().Lines->Scale().XToDay(static_cast<std::uint16_t>(reference.x())), day);
    QVERIFY(qAbs(Form().Lines->Scale().YToValue(static_cast<std::uint16_t>(reference.y())) - 500.25) <=
            0.5 / Form().Lines->Scale().ValueScale);
    QCOMPARE(Form().Lines->LineFrom(0), reference);
    QCOMPARE(Form().Image->Bitmap(), BareChart(Form(), CurrentLines(Form())));
    // Not dragged since: the stored value is not worn down by the new pixel rounding.
    Form().Lines->SaveHandles();
    QCOMPARE(StoredText("Shape3-Top"), QStringLiteral("500,2500"));

    // Closing saves; a new start puts the handle back on the same pixel of the same chart.
    Form().close();
    m_form.reset();
    QCOMPARE(StoredText("Shape3-Left"), QString::number(day));
    QCOMPARE(StoredText("Shape3-Top"), QStringLiteral("500,2500"));
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    QCOMPARE(Form().Shape3->pos(), QPoint(196, 135));
}

void TestMainFormChart::resizeKeepsAnUnsavedDrag()
{
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    Drag(Form(), Form().Shape6, {QPoint(300, 39)}); // day FirstDay + 150 at 525.25
    QVERIFY(Form().Lines->HandleMoved(3));
    const int draws = DrawGraphCount();
    Form().resize(WindowFor(QSize(804, 480)));
    QTRY_VERIFY(DrawGraphCount() > draws);
    QCOMPARE(Form().Shape6->pos() + QPoint(4, 4), QPoint(600, 78));
    QCOMPARE(StoredText("Shape6-Left"), QString::number(FirstDay() + 150));
    QCOMPARE(StoredText("Shape6-Top"), QStringLiteral("525,2500"));
}

void TestMainFormChart::dragCloseAndStartAgain_data()
{
    QTest::addColumn<int>("handle"); // 0 ... 5: Shape3 ... Shape8
    QTest::addColumn<QPoint>("to");  // where the cursor lets go on the plot
    QTest::addColumn<int>("dayOffset");
    QTest::addColumn<QString>("value");
    QTest::newRow("green, a past day") << 0 << QPoint(200, 139) << 100 << "500,2500";
    QTest::newRow("red, the last shown day (today + 31)") << 3 << QPoint(400, 139) << 200 << "500,2500";
    QTest::newRow("blue, today near the bottom") << 4 << QPoint(338, 235) << 169 << "476,2500";
}

// As a user does it, in the evening when no quote comes: press a handle, move, let go, close
// the window and start again. Only closing saves the drag.
void TestMainFormChart::dragCloseAndStartAgain()
{
    QFETCH(int, handle);
    QFETCH(QPoint, to);
    QFETCH(int, dayOffset);
    QFETCH(QString, value);
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TShape* const shapes[] = {Form().Shape3, Form().Shape4, Form().Shape5,
                              Form().Shape6, Form().Shape7, Form().Shape8};
    TShape* shape = shapes[handle];
    const QPoint start = shape->pos();
    QTest::mousePress(shape, Qt::LeftButton, {}, QPoint(5, 5));
    const QPoint halfway = (start + to) / 2;
    for (const QPoint& at : {halfway, to})
        QTest::mouseMove(shape, shape->mapFromGlobal(Form().Image->mapToGlobal(at)));
    QTest::mouseRelease(shape, Qt::LeftButton, {}, shape->mapFromGlobal(Form().Image->mapToGlobal(to)));
    QCOMPARE(shape->pos(), to - QPoint(4, 4));
    const QString key = QStringLiteral("Shape%1").arg(handle + 3);
    QCOMPARE(StoredText(key + "-Left"), QStringLiteral("absent"));

    Form().close();
    m_form.reset();
    QCOMPARE(StoredText(key + "-Left"), QString::number(FirstDay() + dayOffset));
    QCOMPARE(StoredText(key + "-Top"), value);

    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TShape* const again[] = {Form().Shape3, Form().Shape4, Form().Shape5,
                             Form().Shape6, Form().Shape7, Form().Shape8};
    QCOMPARE(again[handle]->pos(), to - QPoint(4, 4));
    const QPoint reference = again[handle]->pos() + QPoint(4, 4);
    QCOMPARE(Form().Lines->Scale().XToDay(static_cast<std::uint16_t>(reference.x())), FirstDay() + dayOffset);
    QCOMPARE(Form().Image->Bitmap(), BareChart(Form(), CurrentLines(Form())));
}

void TestMainFormChart::storedPositionsOutsideTheChart_data()
{
    QTest::addColumn<int>("dayOffset"); // from the first shown day
    QTest::addColumn<QString>("value");
    QTest::addColumn<QPoint>("place");
    QTest::newRow("stored inside") << 100 << "500,25" << QPoint(196, 135);
    QTest::newRow("day scrolled out") << -10 << "500,25" << QPoint(24, 135);
    QTest::newRow("the last shown day, today + 31") << PastDays + 31 << "500,25" << QPoint(396, 135);
    QTest::newRow("beyond the right edge") << PastDays + 34 << "500,25" << QPoint(24, 135);
    QTest::newRow("value above the chart") << 100 << "600" << QPoint(196, 24);
    QTest::newRow("value below the chart") << 100 << "12,5" << QPoint(196, 24);
    QTest::newRow("value not a number") << 100 << "hoog" << QPoint(196, 24);
}

void TestMainFormChart::storedPositionsOutsideTheChart()
{
    QFETCH(int, dayOffset);
    QFETCH(QString, value);
    QFETCH(QPoint, place);
    const QByteArray day = QByteArray::number(FirstDay() + dayOffset);
    QVERIFY(WriteIni("Shape3-Left=" + day + "\nShape3-Top=\"" + value.toLatin1() + "\"\n"));
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    QCOMPARE(Form().Shape3->pos(), place);
    // A handle that fell back keeps its stored position until it is dragged.
    Form().Lines->SaveHandles();
    QCOMPARE(StoredText("Shape3-Left"), QString::fromLatin1(day));
    QCOMPARE(StoredText("Shape3-Top"), value);
    QVERIFY(StoredText("Shape4-Left") != QStringLiteral("absent")); // nothing was stored for it
}

void TestMainFormChart::noScaleKeepsStoredHandles()
{
    QVERIFY(WriteIni("Shape3-Left=41100\nShape3-Top=\"500,2500\"\n"));
    const QByteArray ini = TestSupport::ReadFile(TestSupport::IniPath());
    m_form = OpenForm({});
    QVERIFY(m_form);
    QVERIFY(!Form().Lines->Scale().IsValid());
    QCOMPARE(Form().Shape3->pos(), QPoint(24, 24));
    Drag(Form(), Form().Shape3, {QPoint(100, 100)});
    Form().Lines->SaveHandles();
    QCOMPARE(TestSupport::ReadFile(TestSupport::IniPath()), ini);
    // Hovering an empty chart shows no value.
    Form().ImageMouseMove(Form().Image, QPoint(100, 100), Form().Image->mapToGlobal(QPoint(100, 100)));
    QVERIFY(Hint(Form().Image).startsWith("Koers: \r\nDatum: "));
}

void TestMainFormChart::hoverBounds_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("shown");
    QTest::newRow("x = 0") << QPoint(0, 100) << false;
    QTest::newRow("x = 1") << QPoint(1, 100) << true;
    QTest::newRow("x = ChartRight - 1") << QPoint(401, 100) << true;
    QTest::newRow("x = ChartRight") << QPoint(402, 100) << false;
    QTest::newRow("y = 0") << QPoint(100, 0) << false;
    QTest::newRow("y = ChartBottom - 1") << QPoint(100, 239) << true;
    QTest::newRow("y = ChartBottom") << QPoint(100, 240) << false;
}

void TestMainFormChart::hoverBounds()
{
    QFETCH(QPoint, at);
    QFETCH(bool, shown);
    m_form = OpenForm(ExactSeries());
    QVERIFY(m_form);
    TMainForm& form = Form();
    form.ImageMouseMove(form.Image, QPoint(200, 120), form.Image->mapToGlobal(QPoint(200, 120)));
    QVERIFY(form.Shape1->isVisible());
    const QString before = Hint(form.Image);
    form.ImageMouseMove(form.Image, at, form.Image->mapToGlobal(at));
    QCOMPARE(form.Shape1->isVisible(), shown);
    QCOMPARE(form.Shape2->isVisible(), shown);
    if (!shown) {
        QCOMPARE(Hint(form.Image), before);
        return;
    }
    QCOMPARE(form.Image->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(form.Shape1->geometry(), QRect(at.x(), 240 - 15, 1, 15));
    QCOMPARE(form.Shape2->geometry(),
             QRect(0, 240 - Chart::SeriesHeightAtX(Items(form), form.Lines->Scale(), at.x() + 3) + 3, 15, 1));
    const int day = form.Lines->Scale().XToDay(static_cast<std::uint16_t>(at.x()));
    QCOMPARE(
        Hint(form.Image),
        "Koers: " + QString::fromStdString(Chart::ValueTextAtX(Items(form), form.Lines->Scale(), at.x())) +
            "\r\nDatum: " + Support::DateOfDay(day).toString("d-M-yyyy"));
}

void TestMainFormChart::hoverThroughEvents()
{
    // An entry whose value part is " 512,34" under x = 200 (item 100 of 201 on 402 pixels).
    auto items = ExactSeries();
    items[100] = History::MakeEntry(FirstDay() + 100, "512,34");
    m_form = OpenForm(items);
    QVERIFY(m_form);
    TMainForm& form = Form();
    SendMouse(form.Image, QEvent::MouseMove, QPoint(200, 120), Qt::NoButton);
    QCOMPARE(Hint(form.Image), QStringLiteral("Koers:  512,34\r\nDatum: 4-4-2012"));
    QVERIFY(form.Shape1->isVisible());
    // A move over the list hides the plot markers.
    SendMouse(form.ListBox->viewport(), QEvent::MouseMove, QPoint(20, 5), Qt::NoButton);
    QVERIFY(!form.Shape1->isVisible());
    QVERIFY(!form.Shape2->isVisible());
}

void TestMainFormChart::listHover()
{
    History::EntryList items;
    for (int k = 0; k < 5; ++k)
        items.push_back(History::MakeEntry(41067 + k, k == 2 ? "512,34" : "500,00"));
    m_form = OpenForm(items);
    QVERIFY(m_form);
    TMainForm& form = Form();
    QWidget* viewport = form.ListBox->viewport();
    const QRect third = form.ListBox->visualRect(form.ListBox->model()->index(2, 0));
    QCOMPARE(third.height(), 18);
    SendMouse(viewport, QEvent::MouseMove, third.center(), Qt::NoButton);
    QCOMPARE(Hint(form.ListBox), QStringLiteral("Koers: 512,34\r\nDatum: 9-6-2012"));
    // Below the last item: nothing new; the text stays.
    SendMouse(viewport, QEvent::MouseMove, QPoint(20, 5 * 18 + 40), Qt::NoButton);
    QCOMPARE(Hint(form.ListBox), QStringLiteral("Koers: 512,34\r\nDatum: 9-6-2012"));
    // Too few items for a series line, and hovering the plot still works.
    form.ImageMouseMove(form.Image, QPoint(200, 120), form.Image->mapToGlobal(QPoint(200, 120)));
    QVERIFY(Hint(form.Image).startsWith("Koers:  512,34")); // item nearest(5 x 200 / 402) = 2
}

QTEST_MAIN(TestMainFormChart)
#include "tst_mainformchart.moc"
