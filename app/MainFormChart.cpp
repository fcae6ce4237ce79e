// The main window's chart: painting, the trend-line handles and the hover read-out.
#include "app/MainForm.h"

#include "chart/ChartDrawing.h"
#include "chart/Handles.h"
#include "chart/HoverText.h"
#include "chart/ThirdFriday.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "support/SettingsStore.h"
#include "support/Trace.h"

#include <QFrame>
#include <QListView>
#include <QMouseEvent>
#include <QToolTip>
#include <functional>

namespace {

constexpr int PlotMargin = 50; // GrafiekPanel lies 50 pixels inside Panel1 on every side
constexpr int MarkerLength = 15;
constexpr int ListToolTipShift = 10;
constexpr int ToolTipMs = 10000;
const QColor HandleColours[3] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
const QColor MarkerColour(255, 0, 0);

// Hands the mouse moves of a widget that has no signal for them (the list's viewport) to a handler.
class MouseMoveRelay : public QObject
{
public:
    MouseMoveRelay(QObject* parent, std::function<void(QMouseEvent*)> handler)
        : QObject(parent), m_handler(std::move(handler))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove)
            m_handler(static_cast<QMouseEvent*>(event));
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(QMouseEvent*)> m_handler;
};

// Tooltips break lines at LF; the hint texts keep the program's CR LF.
QString ToolTipText(QString hint)
{
    return hint.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

void TMainForm::SetUpChart()
{
    Shape1->hide();
    Shape1->resize(1, Shape1->height());
    Shape1->SetPenColor(MarkerColour);
    Shape2->hide();
    Shape2->resize(Shape2->width(), 1);
    Shape2->SetPenColor(MarkerColour);
    // The markers sit next to the cursor; they must not take the plot area's mouse moves.
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape2->setAttribute(Qt::WA_TransparentForMouseEvents);

    ReloadHandles = true;
    GreenLineFresh = RedLineFresh = BlueLineFresh = true;
    for (int handle = 0; handle < Chart::HandleCount; ++handle)
        HandleMoved(handle) = false;
    LineBusy = false;
    Dragging = false;

    Shape3->resize(Chart::HandleSize, Chart::HandleSize);
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        TShape* shape = HandleShape(handle);
        shape->resize(Shape3->size());
        shape->SetPenColor(HandleColours[handle / 2]);
        shape->setToolTip(QStringLiteral("Sleep om een lijn te tekenen"));
        shape->move(Chart::DefaultHandlePlace(handle));
        shape->raise();
    }
    HandleOffset = Shape3->height() / 2 - 1;

    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        TShape* shape = HandleShape(handle);
        connect(shape, &TShape::mousePressed, this, [this] { ShapeMouseDown(); });
        connect(shape, &TShape::mouseReleased, this, [this] { ShapeMouseUp(); });
        connect(shape, &TShape::mouseMoved, this, [this, handle](QMouseEvent* event) {
            void (TMainForm::*const moves[])(const QPointF&) = {
                &TMainForm::Shape3MouseMove, &TMainForm::Shape4MouseMove, &TMainForm::Shape5MouseMove,
                &TMainForm::Shape6MouseMove, &TMainForm::Shape7MouseMove, &TMainForm::Shape8MouseMove};
            (this->*moves[handle])(event->globalPosition());
        });
    }
    connect(Image, &TImage::mouseMoved, this, [this](QMouseEvent* event) {
        ImageMouseMove(Image, event->position().toPoint(), event->globalPosition().toPoint());
    });
    ListBox->setMouseTracking(true);
    ListBox->viewport()->setMouseTracking(true);
    ListBox->viewport()->installEventFilter(new MouseMoveRelay(this, [this](QMouseEvent* event) {
        ImageMouseMove(ListBox, event->position().toPoint(), event->globalPosition().toPoint());
    }));

    ThirdFridayDate = Chart::NextThirdFriday(Support::Clock::Today());
}

TShape* TMainForm::HandleShape(int handle) const
{
    TShape* const shapes[] = {Shape3, Shape4, Shape5, Shape6, Shape7, Shape8};
    return shapes[handle];
}

bool& TMainForm::HandleMoved(int handle)
{
    bool* const flags[] = {&Shape3Moved, &Shape4Moved, &Shape5Moved,
                           &Shape6Moved, &Shape7Moved, &Shape8Moved};
    return *flags[handle];
}

void TMainForm::LayOutChart()
{
    GrafiekPanel->setGeometry(PlotMargin, PlotMargin, std::max(0, Panel1->width() - 2 * PlotMargin),
                              std::max(0, Panel1->height() - 2 * PlotMargin));
    Image->setGeometry(1, 1, GrafiekPanel->width(), GrafiekPanel->height());
    Image->SizeBitmapToImage();
    Image1->SizeBitmapToImage();
}

void TMainForm::ResizeChart()
{
    // A drag not yet saved survives the reload that follows.
    SaveHandles();
    LayOutChart();
    GreenLineFresh = RedLineFresh = BlueLineFresh = true;
    ReloadHandles = true;
}

void TMainForm::FormPaint()
{
    Support::TraceScope trace("MainForm.FormPaint");
    LayOutChart();
    GreenLineFresh = RedLineFresh = BlueLineFresh = true;
    // The first paint places the handles for the layout the window really has.
    if (!Painted)
        ReloadHandles = true;
    DrawGraph();
    Painted = true;
}

void TMainForm::DrawGraph()
{
    Support::TraceScope trace("MainForm.DrawGraph");
    const Chart::SeriesData series = Chart::ReadSeries(Series->Items());
    Scale = Chart::MakeScale(series, Image->width(), Image->height());
    Image->SizeBitmapToImage();
    Image1->SizeBitmapToImage();
    Chart::ChartColours colours;
    colours.buttonFace = Panel1->palette().color(QPalette::Window);
    colours.windowText = Panel1->palette().color(QPalette::WindowText);
    Chart::DrawChart(Image->Bitmap(), Image1->Bitmap(), series, Scale, ThirdFridayDate, Support::Regional(),
                     colours);
    Chart::DrawPlotNote(Image->Bitmap(), Scale,
                        Chart::PlotNote(History::LastValuedDay(HistoryList, Unstored, Series->Items()),
                                        Support::TodayDayNumber()));
    // The bitmaps are new: no trend line is on them, whoever asked for the redraw.
    GreenLineFresh = RedLineFresh = BlueLineFresh = true;
    if (ReloadHandles) {
        LoadHandles();
        ReloadHandles = false;
    }
    DrawGreenLine();
    DrawRedLine();
    DrawBlueLine();
    Image->update();
    Image1->update();
}

void TMainForm::DrawTrendLine(int line)
{
    bool* const freshFlags[] = {&GreenLineFresh, &RedLineFresh, &BlueLineFresh};
    bool& fresh = *freshFlags[line];
    LineBusy = true;
    QImage& bitmap = Image->Bitmap();
    const QColor& colour = HandleColours[line];
    QRect changed;
    if (!fresh) {
        Chart::DrawTrendLine(bitmap, colour, LineFrom[line], LineTo[line]);
        changed = QRect(LineFrom[line], LineTo[line]).normalized();
    }
    const QPoint reference(HandleOffset, HandleOffset);
    LineFrom[line] = HandleShape(2 * line)->pos() + reference;
    LineTo[line] = HandleShape(2 * line + 1)->pos() + reference;
    Chart::DrawTrendLine(bitmap, colour, LineFrom[line], LineTo[line]);
    changed |= QRect(LineFrom[line], LineTo[line]).normalized();
    fresh = false;
    LineBusy = false;
    Image->update(changed.adjusted(-1, -1, 1, 1));
}

void TMainForm::DrawGreenLine()
{
    DrawTrendLine(0);
}

void TMainForm::DrawRedLine()
{
    DrawTrendLine(1);
}

void TMainForm::DrawBlueLine()
{
    DrawTrendLine(2);
}

void TMainForm::LoadHandles()
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(QStringLiteral("Defaults"));
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        const Chart::StoredHandle stored = Chart::ReadStoredHandle(*settings, handle);
        HandleShape(handle)->move(Chart::PlaceHandle(handle, stored, Scale).place);
        m_handleStored[handle] = !stored.IsEmpty();
        HandleMoved(handle) = false;
    }
}

void TMainForm::SaveHandles()
{
    // Without a scale no place can be turned into a day and a value; what is stored stays.
    if (!Scale.IsValid())
        return;
    // A handle that was not dragged keeps the position it was placed from: storing its pixel
    // place again would wear the value down by rounding, and would overwrite a position that
    // fell back to the default because it lies outside the chart shown now.
    bool anyToWrite = false;
    for (int handle = 0; handle < Chart::HandleCount; ++handle)
        anyToWrite = anyToWrite || HandleMoved(handle) || !m_handleStored[handle];
    if (anyToWrite) {
        const auto settings = Support::OpenSettings();
        settings->beginGroup(QStringLiteral("Defaults"));
        const char separator = Support::Regional().decimalSeparator;
        for (int handle = 0; handle < Chart::HandleCount; ++handle) {
            if (!HandleMoved(handle) && m_handleStored[handle])
                continue;
            Chart::WriteStoredHandle(*settings, handle,
                                     Chart::StoreHandle(HandleShape(handle)->pos(), Scale, separator));
            m_handleStored[handle] = true;
        }
    }
    for (int handle = 0; handle < Chart::HandleCount; ++handle)
        HandleMoved(handle) = false;
}

void TMainForm::ShapeMouseDown()
{
    Dragging = true;
}

void TMainForm::ShapeMouseUp()
{
    Dragging = false;
}

void TMainForm::MoveHandle(int handle, const QPointF& screenPosition)
{
    if (!Dragging)
        return;
    const QPoint at = Image->mapFromGlobal(screenPosition).toPoint();
    if (Scale.ChartLeft < at.x() && at.x() < Scale.ChartRight && Scale.ChartTop < at.y() &&
        at.y() < Scale.ChartBottom) {
        HandleShape(handle)->move(at.x() - HandleOffset, at.y() - HandleOffset);
        if (!LineBusy)
            DrawTrendLine(handle / 2);
    }
    HandleMoved(handle) = true;
}

void TMainForm::Shape3MouseMove(const QPointF& screenPosition)
{
    MoveHandle(0, screenPosition);
}

void TMainForm::Shape4MouseMove(const QPointF& screenPosition)
{
    MoveHandle(1, screenPosition);
}

void TMainForm::Shape5MouseMove(const QPointF& screenPosition)
{
    MoveHandle(2, screenPosition);
}

void TMainForm::Shape6MouseMove(const QPointF& screenPosition)
{
    MoveHandle(3, screenPosition);
}

void TMainForm::Shape7MouseMove(const QPointF& screenPosition)
{
    MoveHandle(4, screenPosition);
}

void TMainForm::Shape8MouseMove(const QPointF& screenPosition)
{
    MoveHandle(5, screenPosition);
}

std::string TMainForm::ValueTextAtX(int x) const
{
    return Chart::ValueTextAtX(Series->Items(), Scale, x);
}

int TMainForm::SeriesHeightAtX(int x) const
{
    return Chart::SeriesHeightAtX(Series->Items(), Scale, x);
}

void TMainForm::ImageMouseMove(QWidget* sender, QPoint position, QPoint screenPosition)
{
    const int x = position.x();
    const int y = position.y();
    if (sender == Image && Scale.ChartLeft < x && x < Scale.ChartRight && Scale.ChartTop < y &&
        y < Scale.ChartBottom) {
        Image->setCursor(Qt::CrossCursor);
        PlotHint = Chart::PlotHoverText(Series->Items(), Scale, x, Support::Regional());
        QToolTip::showText(screenPosition, ToolTipText(PlotHint), Image, QRect(), ToolTipMs);
        Shape1->setGeometry(x, Scale.ChartBottom - MarkerLength, 1, MarkerLength);
        Shape1->show();
        Shape2->setGeometry(0, Scale.ChartBottom - SeriesHeightAtX(x + 3) + 3, MarkerLength, 1);
        Shape2->show();
    } else {
        Shape1->hide();
        Shape2->hide();
    }

    if (sender == ListBox && 0 < x && x < ListPanel->width() && 0 < y && y < ListPanel->height()) {
        const QPoint inList = ListBox->viewport()->mapFromGlobal(screenPosition);
        const QModelIndex index = ListBox->indexAt(inList);
        if (index.isValid() && index.row() < Series->Count()) {
            const QString hint = Chart::ListHoverText(Series->At(index.row()), Support::Regional());
            if (!hint.isEmpty()) {
                ListHint = hint;
                QToolTip::showText(screenPosition + QPoint(ListToolTipShift, 0), ToolTipText(ListHint),
                                   ListBox->viewport(), QRect(), ToolTipMs);
            }
        } else {
            // Below the last item nothing is shown; the previous text stays the list's hint.
            QToolTip::hideText();
        }
    }
}
