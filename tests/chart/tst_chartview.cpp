// The chart widget: drawing, the handles placed from their day and value, dragging them, what
// is stored of them, and the hover read-out over the plot. In the main window: the session's
// series drawn, drags stored by a resize and by closing, and the list's hover read-out.
#include "ChartTestData.h"
#include "app/MainForm.h"
#include "chart/ChartDrawing.h"
#include "chart/HoverText.h"
#include "history/SeriesModel.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"
#include "support/Trace.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {
const QDate Today(2012, 6, 12);
constexpr int PastDays = 169;
// 201 days rising from 480 to 530 on a plot area of 402 x 240: 2 pixels a day and
// 4 pixels a point, so (200, 139) is day FirstDay + 100 at exactly 500.25.
const QSize ExactPlot(402, 240);
const QPoint Reference(Chart::HandleOffset, Chart::HandleOffset);

int FirstDay()
{
    return Support::DayNumber(Today) - PastDays;
}

History::EntryList ExactSeries()
{
    return ChartTest::LinearSeries(FirstDay(), 201, 480, 530);
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// Presses a handle, moves the cursor over the plot area through `points` and lets go.
void Drag(ChartView& view, int handle, const QList<QPoint>& points)
{
    TShape* shape = view.HandleShape(handle);
    SendMouse(shape, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    for (const QPoint& point : points)
        SendMouse(shape, QEvent::MouseMove, shape->mapFromGlobal(view.Image->mapToGlobal(point)),
                  Qt::LeftButton);
    SendMouse(shape, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::NoButton);
}

// The plot bitmap as the chart alone draws it, with the three lines where the view drew them.
QImage BareChart(const ChartView& view, bool withLines = true)
{
    QImage plot(view.Image->Bitmap().size(), QImage::Format_RGB32);
    plot.setDevicePixelRatio(view.Image->Bitmap().devicePixelRatio());
    QImage outer(view.Image1->Bitmap().size(), QImage::Format_RGB32);
    Chart::DrawChart(plot, outer, Chart::ReadSeries(ExactSeries()), view.Scale(), QDate(2012, 6, 15),
                     Support::RegionalSettings::Dutch());
    const QColor colours[] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
    for (int line = 0; withLines && line < ChartView::LineCount; ++line)
        Chart::DrawTrendLine(plot, colours[line], view.LineFrom(line), view.LineTo(line));
    return plot;
}

// The hint a widget shows, with the program's CR LF line breaks.
QString Hint(const QWidget* widget)
{
    return widget->toolTip().replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

QString StoredText(const QString& key)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup("Defaults");
    return Support::SettingText(*settings, key, "absent");
}
} // namespace

class TestChartView : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        Support::SetTraceFolder(TestSupport::Facts().dataFolder);
        Support::SetRegional(Support::RegionalSettings::Dutch());
        Support::Clock::Set(QDateTime(Today, QTime(20, 0)));
    }

    void cleanup()
    {
        m_view.reset();
        m_window.reset();
        Support::TraceOn = false;
    }

    void firstDrawing()
    {
        ChartView& view = Open();
        QCOMPARE(view.Image->size(), ExactPlot);
        QCOMPARE(view.GrafiekPanel->geometry(), QRect(QPoint(50, 50), ExactPlot));
        QCOMPARE(view.Scale().ChartRight, ExactPlot.width());
        QCOMPARE(view.Scale().ChartBottom, ExactPlot.height());
        QCOMPARE(view.Scale().DayScale, 2.0);
        // Each line between the reference points of its handles' default places.
        for (int line = 0; line < ChartView::LineCount; ++line) {
            QCOMPARE(view.LineFrom(line), QPoint(28, 28 + 16 * line));
            QCOMPARE(view.LineTo(line), QPoint(44, 28 + 16 * line));
        }
        QCOMPARE(view.Image->Bitmap(), BareChart(view));
        QVERIFY(view.Image->Bitmap() != BareChart(view, false));
        QCOMPARE(view.Image->Bitmap().pixel(28, 28), qRgb(0, 128, 68)); // green over light yellow
    }

    void dragDrawsOnlyTheLine()
    {
        ChartView& view = Open();
        Support::TraceOn = true;
        QSignalSpy moved(&view, &ChartView::handleMoved);
        QList<QPoint> path;
        for (int step = 0; step < 100; ++step)
            path << QPoint(60 + 3 * step, 200 - step);
        Drag(view, 1, path);
        QVERIFY(!TestSupport::ReadFile(TestSupport::DataFolder() + "Koerszicht.log").contains("DrawGraph"));
        QVERIFY(!view.Dragging());
        QVERIFY(view.HandleMoved(1));
        QVERIFY(!view.HandleMoved(0));
        QCOMPARE(view.HandleShape(1)->pos(), path.last() - Reference);
        QCOMPARE(view.LineTo(0), path.last());
        // Between two days: the handle keeps its pixel, the day its fraction, until it is stored.
        QCOMPARE(moved.size(), 100);
        QCOMPARE(moved.last(), (QVariantList{1, FirstDay() + 178.5, 509.75}));
        // Every step erased the line it had drawn: only the current three lines are on the chart.
        QCOMPARE(view.Image->Bitmap(), BareChart(view));
        // Moves without the button held do nothing.
        SendMouse(view.HandleShape(1), QEvent::MouseMove, QPoint(-50, -50), Qt::NoButton);
        QCOMPARE(view.HandleShape(1)->pos(), path.last() - Reference);
        QCOMPARE(moved.size(), 100);
    }

    // The six circles show their pen colour pixel for pixel, over the chart as it is drawn: a
    // smoothed outline has no pixel of its colour and looks pale. CTest runs this once more at
    // a device pixel ratio of 2 (QT_SCALE_FACTOR=2).
    void handlesAreCrisp()
    {
        ChartView& view = Open();
        const qreal ratio = qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble();
        QCOMPARE(view.devicePixelRatioF(), ratio);
        const QImage& plot = view.Image->Bitmap();
        QCOMPARE(plot.devicePixelRatio(), ratio);
        const QRgb pens[] = {qRgb(0, 128, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)};
        for (int handle = 0; handle < Chart::HandleCount; ++handle) {
            const QWidget* shape = view.HandleShape(handle);
            QCOMPARE(shape->size(), QSize(11, 11));
            const QImage seen = view.grab(QRect(shape->mapTo(&view, QPoint(0, 0)), shape->size())).toImage();
            QCOMPARE(seen.size(), QSize(11, 11) * ratio);
            // The handle's left and top on the panel are 1 pixel right of and below the plot's.
            const QPoint onPlot = (shape->pos() - QPoint(1, 1)) * ratio;
            int inPen = 0;
            for (int y = 0; y < seen.height(); ++y)
                for (int x = 0; x < seen.width(); ++x) {
                    const QRgb pixel = seen.pixel(x, y) | 0xFF000000;
                    if (pixel == pens[handle / 2])
                        ++inPen;
                    else
                        QVERIFY2(pixel == plot.pixel(onPlot + QPoint(x, y)),
                                 qPrintable(QString::asprintf("handle %d, pixel %d,%d blended: %08x", handle,
                                                              x, y, pixel)));
                }
            // An 11-pixel ring has 32 pixels; at twice the ratio it is twice as long and twice as wide.
            QCOMPARE_GE(inPen, 28 * ratio * ratio);
        }
    }

    void dragStopsAtTheEdges_data()
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
    void dragStopsAtTheEdges()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, follows);
        ChartView& view = Open();
        Drag(view, 2, {QPoint(150, 120)});
        view.TakeChangedHandles();
        QVERIFY(!view.HandleMoved(2));
        Drag(view, 2, {at});
        QCOMPARE(view.HandleShape(2)->pos(), (follows ? at : QPoint(150, 120)) - Reference);
        QVERIFY(view.HandleMoved(2)); // set also when the handle stayed
    }

    void storedPositions_data()
    {
        QTest::addColumn<int>("dayOffset"); // from the first shown day
        QTest::addColumn<QString>("value");
        QTest::addColumn<QPoint>("place");
        // Where each stored day and value is placed: tst_handles; here one placed from its store
        // and one that falls back to its default.
        QTest::newRow("stored inside") << 100 << "500,25" << QPoint(196, 135);
        QTest::newRow("day scrolled out") << -10 << "500,25" << QPoint(24, 135);
    }
    // A handle is placed from its stored day and value, at its default where they lie outside the
    // chart. Storing keeps its position until it is dragged (no rounding wear, no default stored
    // over it); the handles without one get what their place stands for.
    void storedPositions()
    {
        QFETCH(int, dayOffset);
        QFETCH(QString, value);
        QFETCH(QPoint, place);
        const Chart::StoredHandle stored{FirstDay() + dayOffset, value};
        ChartView& view = Open(ExactSeries(), {stored});
        QCOMPARE(view.HandleShape(0)->pos(), place);
        QCOMPARE(view.LineFrom(0), place + Reference);
        QCOMPARE(view.Image->Bitmap(), BareChart(view));
        const ChartView::ChangedHandles changed = view.TakeChangedHandles();
        QCOMPARE(changed.size(), std::size_t(5));
        QCOMPARE(changed.front().first, 1);
        QCOMPARE(changed.front().second.valueText,
                 Chart::StoreHandle(QPoint(40, 24), view.Scale(), ',').valueText);
        QCOMPARE(view.HandleShape(0)->pos(), place);
        QVERIFY(view.TakeChangedHandles().empty());
    }

    // The first paint and the paint after a resize draw the chart and paint each bitmap once,
    // the handles already in their places: a second paint would show the window later.
    void bitmapsPaintedOncePerDrawing()
    {
        PaintCounter counter;
        const Chart::StoredHandle stored{FirstDay() + 100, QStringLiteral("500,25")};
        ChartView& view = Open(ExactSeries(), {stored}, &counter);
        QTest::qWait(50);
        QCOMPARE(view.HandleShape(0)->pos(), QPoint(196, 135));
        QCOMPARE(counter.paints, (QList<QObject*>{view.Image1, view.Image}));
        counter.paints.clear();
        view.resize(QSize(555, 389) + QSize(100, 100));
        QTRY_COMPARE(view.Scale().ChartRight, 555);
        QTest::qWait(50);
        QCOMPARE(counter.paints, (QList<QObject*>{view.Image1, view.Image}));
        QCOMPARE(view.Image->Bitmap(), BareChart(view));
    }

    // The first paint draws the chart straight onto the screen, and the bitmaps follow right after
    // it: the screen shows what they hold, the note and the lines included.
    void firstPaintShowsWhatTheBitmapsHold()
    {
        m_view = std::make_unique<ChartView>();
        m_view->setHandles({Chart::StoredHandle{FirstDay() + 100, QStringLiteral("500,25")}});
        m_view->setSeries(ExactSeries(), QDate(2012, 6, 15), FirstDay() + 150);
        m_view->resize(ExactPlot + QSize(100, 100));
        const QImage first = m_view->grab().toImage();
        QVERIFY(m_view->Image->Bitmap().isNull());
        QTRY_VERIFY(m_view->Painted());
        QCOMPARE(m_view->grab().toImage(), first);

        // A drag that comes before them makes them first, and draws its line on them.
        m_view = std::make_unique<ChartView>();
        m_view->setSeries(ExactSeries(), QDate(2012, 6, 15), Support::DayNumber(Today));
        m_view->resize(ExactPlot + QSize(100, 100));
        m_view->grab();
        Drag(*m_view, 2, {QPoint(150, 120)});
        QCOMPARE(m_view->HandleShape(2)->pos(), QPoint(150, 120) - Reference);
        QVERIFY(m_view->Painted());
        QCOMPARE(m_view->Image->Bitmap(), BareChart(*m_view));
    }

    void dayAndValueKeptAcrossResize()
    {
        const int day = FirstDay() + 100;
        ChartView& view = Open();
        view.TakeChangedHandles();
        Drag(view, 0, {QPoint(120, 60), QPoint(200, 139)});
        const ChartView::ChangedHandles changed = view.TakeChangedHandles();
        QCOMPARE(changed.size(), std::size_t(1));
        QCOMPARE(changed.front().second.day, day);
        QCOMPARE(changed.front().second.valueText, QStringLiteral("500,2500"));

        // A resize changes the scale; the handle stays on its day and value.
        view.resize(QSize(555, 389) + QSize(100, 100));
        QTRY_COMPARE(view.Scale().ChartRight, 555);
        QCOMPARE(view.Image->size(), QSize(555, 389));
        const QPoint reference = view.HandleShape(0)->pos() + Reference;
        QCOMPARE(view.Scale().XToDay(static_cast<std::uint16_t>(reference.x())), day);
        QVERIFY(qAbs(view.Scale().YToValue(static_cast<std::uint16_t>(reference.y())) - 500.25) <=
                0.5 / view.Scale().ValueScale);
        QCOMPARE(view.LineFrom(0), reference);
        QCOMPARE(view.Image->Bitmap(), BareChart(view));
        // Not dragged since: the stored value is not worn down by the new pixel rounding.
        QVERIFY(view.TakeChangedHandles().empty());
    }

    void noScaleStoresNothing()
    {
        ChartView& view = Open({}, {Chart::StoredHandle{41100, "500,2500"}});
        QVERIFY(!view.Scale().IsValid());
        Drag(view, 0, {QPoint(100, 100)});
        QCOMPARE(view.HandleShape(0)->pos(), QPoint(100, 100) - Reference);
        QVERIFY(view.TakeChangedHandles().empty());
        // Hovering an empty chart shows no value.
        view.ImageMouseMove(QPoint(100, 100), view.Image->mapToGlobal(QPoint(100, 100)));
        QVERIFY(Hint(view.Image).startsWith("Koers: \r\nDatum: "));
    }

    void hover_data()
    {
        QTest::addColumn<int>("items"); // 201 as everywhere here, or 5 (too few for a series line)
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("shown");
        QTest::newRow("x = 0") << 201 << QPoint(0, 100) << false;
        QTest::newRow("x = 1") << 201 << QPoint(1, 100) << true;
        QTest::newRow("x = ChartRight - 1") << 201 << QPoint(401, 100) << true;
        QTest::newRow("x = ChartRight") << 201 << QPoint(402, 100) << false;
        QTest::newRow("y = 0") << 201 << QPoint(100, 0) << false;
        QTest::newRow("y = ChartBottom - 1") << 201 << QPoint(100, 239) << true;
        QTest::newRow("y = ChartBottom") << 201 << QPoint(100, 240) << false;
        QTest::newRow("the value part with its blank") << 201 << QPoint(200, 120) << true;
        QTest::newRow("too few items for a line") << 5 << QPoint(200, 120) << true;
    }
    // Through the plot's mouse moves: the markers and the hint from where the plot showed them.
    void hover()
    {
        QFETCH(int, items);
        QFETCH(QPoint, at);
        QFETCH(bool, shown);
        // An entry whose value part is " 512,34" under x = 200: item 100 of 201 on 402 pixels, or
        // item nearest(5 x 200 / 402) = 2 of 5.
        History::EntryList series = ChartTest::LinearSeries(FirstDay(), items, 480, 530);
        series[static_cast<std::size_t>(items / 2)] = History::MakeEntry(FirstDay() + items / 2, "512,34");
        ChartView& view = Open(series);
        SendMouse(view.Image, QEvent::MouseMove, QPoint(200, 120), Qt::NoButton);
        QVERIFY(view.Shape1->isVisible());
        const QString before = Hint(view.Image);
        QCOMPARE(before, "Koers:  512,34\r\nDatum: " +
                             Support::DateOfDay(FirstDay() + items / 2).toString("d-M-yyyy"));
        SendMouse(view.Image, QEvent::MouseMove, at, Qt::NoButton);
        QCOMPARE(view.Shape1->isVisible(), shown);
        QCOMPARE(view.Shape2->isVisible(), shown);
        if (!shown) {
            QCOMPARE(Hint(view.Image), before);
            return;
        }
        QCOMPARE(view.Image->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(view.Shape1->geometry(), QRect(at.x(), 240 - 15, 1, 15));
        QCOMPARE(view.Shape2->geometry(),
                 QRect(0, 240 - Chart::SeriesHeightAtX(series, view.Scale(), at.x() + 3) + 3, 15, 1));
        const int day = view.Scale().XToDay(static_cast<std::uint16_t>(at.x()));
        QCOMPARE(Hint(view.Image),
                 "Koers: " + QString::fromStdString(Chart::ValueTextAtX(series, view.Scale(), at.x())) +
                     "\r\nDatum: " + Support::DateOfDay(day).toString("d-M-yyyy"));
    }

    // The window draws the session's series; a drag not yet stored is stored by a resize.
    void windowResizeStoresAnUnsavedDrag()
    {
        TMainForm& form = OpenWindow();
        QCOMPARE(form.Panel1->Image->size(), ExactPlot);
        QCOMPARE(form.Panel1->Scale().DayScale, 2.0);
        QCOMPARE(form.Panel1->Scale().FirstDay, FirstDay());
        QCOMPARE(m_window->rig.session.ThirdFridayDate(), QDate(2012, 6, 15));
        Drag(*form.Panel1, 3, {QPoint(300, 39)}); // day FirstDay + 150 at 525.25
        QVERIFY(form.Panel1->HandleMoved(3));
        form.resize(form.size() + ExactPlot);
        QTRY_COMPARE(form.Panel1->Scale().ChartRight, 804);
        QCOMPARE(form.Panel1->HandleShape(3)->pos() + Reference, QPoint(600, 78));
        QCOMPARE(StoredText("Shape6-Left"), QString::number(FirstDay() + 150));
        QCOMPARE(StoredText("Shape6-Top"), QStringLiteral("525,2500"));
    }

    // As a user does it, in the evening when no quote comes: press a handle, move, let go, close
    // the window and start again. Only closing saves the drag.
    void dragCloseAndStartAgain()
    {
        const QPoint to(200, 139); // day FirstDay + 100 at 500.25
        TMainForm& form = OpenWindow();
        const QPoint start = form.Panel1->HandleShape(0)->pos();
        Drag(*form.Panel1, 0, {(start + to) / 2, to});
        QCOMPARE(form.Panel1->HandleShape(0)->pos(), to - Reference);
        QCOMPARE(StoredText("Shape3-Left"), QStringLiteral("absent"));

        form.close();
        m_window.reset();
        QCOMPARE(StoredText("Shape3-Left"), QString::number(FirstDay() + 100));
        QCOMPARE(StoredText("Shape3-Top"), QStringLiteral("500,2500"));

        const ChartView& again = *OpenWindow().Panel1;
        const QPoint reference = again.HandleShape(0)->pos() + Reference;
        QCOMPARE(reference, to);
        QCOMPARE(again.Scale().XToDay(static_cast<std::uint16_t>(reference.x())), FirstDay() + 100);
    }

    void listHover()
    {
        History::EntryList items;
        for (int k = 0; k < 5; ++k)
            items.push_back(History::MakeEntry(41067 + k, k == 2 ? "512,34" : "500,00"));
        TMainForm& form = OpenWindow(items);
        QWidget* viewport = form.ListBox->viewport();
        const QRect third = form.ListBox->visualRect(form.ListBox->model()->index(2, 0));
        QCOMPARE(third.height(), 18);
        form.Panel1->ImageMouseMove(QPoint(200, 120), form.Panel1->Image->mapToGlobal(QPoint(200, 120)));
        QVERIFY(form.Panel1->Shape1->isVisible());
        SendMouse(viewport, QEvent::MouseMove, third.center(), Qt::NoButton);
        QCOMPARE(Hint(form.ListBox), QStringLiteral("Koers: 512,34\r\nDatum: 9-6-2012"));
        // A move over the list hides the plot markers.
        QVERIFY(!form.Panel1->Shape1->isVisible());
        QVERIFY(!form.Panel1->Shape2->isVisible());
        // Below the last item: nothing new; the text stays.
        SendMouse(viewport, QEvent::MouseMove, QPoint(20, 5 * 18 + 40), Qt::NoButton);
        QCOMPARE(Hint(form.ListBox), QStringLiteral("Koers: 512,34\r\nDatum: 9-6-2012"));
    }

private:
    // Counts the paints of the bitmaps it watches, in order.
    struct PaintCounter : QObject
    {
        QList<QObject*> paints;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                paints.append(watched);
            return false;
        }
    };

    ChartView& Open(const History::EntryList& items = ExactSeries(),
                    const ChartView::StoredHandles& handles = {}, PaintCounter* counter = nullptr)
    {
        m_view = std::make_unique<ChartView>();
        if (counter) {
            m_view->Image1->installEventFilter(counter);
            m_view->Image->installEventFilter(counter);
        }
        m_view->setHandles(handles);
        m_view->setSeries(items, QDate(2012, 6, 15), Support::DayNumber(Today));
        m_view->resize(ExactPlot + QSize(100, 100));
        m_view->show();
        if (!QTest::qWaitForWindowExposed(m_view.get()) ||
            !QTest::qWaitFor([&] { return m_view->Painted(); }))
            qFatal("the chart was not painted");
        return *m_view;
    }

    TMainForm& OpenWindow(const History::EntryList& items = ExactSeries())
    {
        m_window = std::make_unique<TestSupport::MainWindow>();
        TMainForm& form = m_window->form;
        // No quotes and no version check in these tests.
        form.DownloadTimer->stop();
        form.UpdateTimer->stop();
        m_window->rig.session.Series().SetItems(items);
        form.SeriesChanged();
        form.resize(ExactPlot + QSize(152 + 100, 41 + 100)); // the list and the top panel
        form.show();
        if (!QTest::qWaitForWindowExposed(&form) || !QTest::qWaitFor([&] { return form.Panel1->Painted(); }))
            qFatal("the chart was not painted");
        return form;
    }
    std::unique_ptr<ChartView> m_view;
    std::unique_ptr<TestSupport::MainWindow> m_window; // over a fetcher that has no connection
};

QTEST_MAIN(TestChartView)
#include "tst_chartview.moc"
