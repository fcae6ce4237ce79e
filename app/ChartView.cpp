#include "app/ChartView.h"

#include "chart/ChartDrawing.h"
#include "chart/HoverText.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "support/Texts.h"
#include "support/Trace.h"

#include <QContextMenuEvent>
#include <QFrame>
#include <QMouseEvent>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <tuple>

namespace {

constexpr int PlotMargin = 50; // GrafiekPanel lies 50 pixels inside the chart on every side
constexpr int MarkerLength = 15;
const QColor MarkerColour(255, 0, 0);
const QColor LineColours[ChartView::LineCount] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255)};

} // namespace

ChartView::ChartView(QWidget* parent) : QWidget(parent)
{
    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    GrafiekPanel = new QFrame(this);
    GrafiekPanel->setObjectName(QStringLiteral("GrafiekPanel"));
    GrafiekPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    GrafiekPanel->setLineWidth(1);
    Image = new TImage(GrafiekPanel);
    Image->setObjectName(QStringLiteral("Image"));
    Image->move(1, 1);
    Image->installEventFilter(this);

    Shape1 = new TShape(TShape::Kind::Rectangle, GrafiekPanel);
    Shape1->resize(1, Shape1->height());
    Shape2 = new TShape(TShape::Kind::Rectangle, GrafiekPanel);
    Shape2->resize(Shape2->width(), 1);
    for (TShape* marker : {Shape1, Shape2}) {
        marker->setObjectName(marker == Shape1 ? QStringLiteral("Shape1") : QStringLiteral("Shape2"));
        marker->setToolTipDuration(ToolTipMs);
        marker->hide();
        marker->SetPenColor(MarkerColour);
        // The markers sit next to the cursor; they must not take the plot area's mouse moves.
        marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    const QString hint =
        QString::fromLatin1(Support::TextFor(Support::Text::HandleHint, Support::Language::Dutch));
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        TShape* shape = new TShape(TShape::Kind::Circle, GrafiekPanel);
        shape->setObjectName(QStringLiteral("Shape%1").arg(handle + 3));
        shape->resize(Chart::HandleSize, Chart::HandleSize);
        shape->SetPenColor(LineColours[handle / 2]);
        shape->setToolTip(hint);
        shape->setToolTipDuration(ToolTipMs);
        shape->move(Chart::DefaultHandlePlace(handle));
        shape->installEventFilter(this);
        m_shapes[handle] = shape;
    }
}

void ChartView::setSeries(History::EntryList items, const QDate& thirdFriday, int lastValuedDay)
{
    m_items = std::move(items);
    m_series = Chart::ReadSeries(m_items);
    m_thirdFriday = thirdFriday;
    m_lastValuedDay = lastValuedDay;
    if (m_painted) {
        DrawGraph();
    } else {
        m_drawPending = true;
        LayOutHandles();
        update();
    }
}

void ChartView::setHandles(const StoredHandles& handles)
{
    m_stored = handles;
    if (m_painted)
        PlaceHandles();
}

ChartView::ChangedHandles ChartView::TakeChangedHandles()
{
    ChangedHandles changed;
    // Without a scale no place can be turned into a day and a value; what is stored stays.
    if (!m_scale.IsValid())
        return changed;
    // A handle that was not dragged keeps the position it was placed from: storing what its
    // pixel place stands for would wear the value down by rounding, and would overwrite a
    // position that fell back to the default because it lies outside the chart shown now.
    const char separator = Support::Regional().decimalSeparator;
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        if (m_moved[handle] || !m_stored[handle]) {
            const std::optional<Chart::HandlePosition>& dragged = m_dragged[handle];
            m_stored[handle] = dragged ? Chart::StoreHandle(*dragged, separator)
                                       : Chart::StoreHandle(HandlePlace(handle), m_scale, separator);
            changed.emplace_back(handle, *m_stored[handle]);
        }
    }
    if (!changed.empty())
        PlaceHandles();
    return changed;
}

bool ChartView::AnyHandleMoved() const
{
    return std::find(m_moved.begin(), m_moved.end(), true) != m_moved.end();
}

void ChartView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(1, 1, std::max(1, width() - 2), std::max(1, height() - 2));
    GrafiekPanel->setGeometry(PlotMargin, PlotMargin, std::max(0, width() - 2 * PlotMargin),
                              std::max(0, height() - 2 * PlotMargin));
    Image->setGeometry(1, 1, GrafiekPanel->width(), GrafiekPanel->height());
    // The bitmaps take the new size when they are drawn, before they are painted; the handles
    // take their places now, so that the paint moves none of them (a move would ask for another).
    m_drawPending = true;
    LayOutHandles();
    update();
}

void ChartView::paintEvent(QPaintEvent*)
{
    if (!m_drawPending)
        return;
    // What made the chart due asked for a paint of all of it: the bitmaps follow in this same
    // pass, with the new drawing, and another paint of them would draw them twice.
    m_paintCoversChart = true;
    FormPaint();
    m_paintCoversChart = false;
}

void ChartView::FormPaint()
{
    Support::TraceScope trace("MainForm.FormPaint");
    m_drawPending = false;
    if (m_painted || !m_paintCoversChart) {
        DrawGraph();
        m_painted = true;
        return;
    }
    // The first paint draws the chart straight onto the screen; its bitmaps, which a drag and
    // the later paints draw on, are made right after it, off the way to the first shown window.
    m_scale = Chart::MakeScale(m_series, Image->width(), Image->height());
    m_direct = true;
    PlaceShapes();
    Image->SetDrawing([this](QPainter& painter) { DrawPlotOnScreen(painter); });
    Image1->SetDrawing([this](QPainter& painter) {
        Chart::DrawSurface(painter, Image1->size(), m_series, m_scale, Support::Regional(), Colours());
    });
    QTimer::singleShot(0, this, [this] {
        if (!m_direct)
            return;
        // The screen shows this drawing already.
        m_paintCoversChart = true;
        DrawGraph();
        m_paintCoversChart = false;
    });
    m_painted = true;
}

Chart::ChartColours ChartView::Colours() const
{
    Chart::ChartColours colours;
    colours.buttonFace = palette().color(QPalette::Window);
    colours.windowText = palette().color(QPalette::WindowText);
    return colours;
}

void ChartView::DrawPlotOnScreen(QPainter& painter) const
{
    Chart::DrawPlot(painter, Image->size(), m_series, m_scale, m_thirdFriday);
    Chart::DrawPlotNote(painter, m_scale, Note());
    for (int line = 0; line < LineCount; ++line) {
        const auto [from, to] = LineEnds(line);
        Chart::DrawTrendLine(painter, LineColours[line], from, to);
    }
}

QString ChartView::Note() const
{
    return Chart::PlotNote(m_lastValuedDay, Support::TodayDayNumber(), Support::Language::Dutch);
}

void ChartView::DrawGraph()
{
    Support::TraceScope trace("MainForm.DrawGraph");
    m_direct = false;
    m_scale = Chart::MakeScale(m_series, Image->width(), Image->height());
    Image->SizeBitmapToImage();
    Image1->SizeBitmapToImage();
    Chart::DrawChart(Image->Bitmap(), Image1->Bitmap(), m_series, m_scale, m_thirdFriday, Support::Regional(),
                     Colours());
    Chart::DrawPlotNote(Image->Bitmap(), m_scale, Note());
    // The bitmaps are new: no trend line is on them.
    m_fresh = {true, true, true};
    PlaceHandles();
    if (!m_paintCoversChart) {
        Image->update();
        Image1->update();
    }
}

QPoint ChartView::HandlePlace(int handle) const
{
    return HandlePlace(handle, m_scale);
}

QPoint ChartView::HandlePlace(int handle, const Chart::ChartScale& scale) const
{
    const std::optional<Chart::HandlePosition>& dragged = m_dragged[handle];
    if (dragged)
        return Chart::PlaceOf(*dragged, scale);
    return Chart::PlaceHandle(handle, m_stored[handle].value_or(Chart::StoredHandle()), scale).place;
}

void ChartView::LayOutHandles()
{
    const Chart::ChartScale scale = Chart::MakeScale(m_series, Image->width(), Image->height());
    for (int handle = 0; handle < Chart::HandleCount; ++handle)
        m_shapes[handle]->move(HandlePlace(handle, scale));
}

void ChartView::PlaceShapes()
{
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        m_dragged[handle].reset();
        m_moved[handle] = false;
        m_shapes[handle]->move(HandlePlace(handle));
    }
}

void ChartView::PlaceHandles()
{
    // The lines are drawn on the plot's bitmap: it comes first, with every handle in place.
    if (m_direct) {
        DrawGraph();
        return;
    }
    PlaceShapes();
    for (int line = 0; line < LineCount; ++line)
        DrawLine(line);
}

std::pair<QPoint, QPoint> ChartView::LineEnds(int line) const
{
    const QPoint reference(Chart::HandleOffset, Chart::HandleOffset);
    return {HandlePlace(2 * line) + reference, HandlePlace(2 * line + 1) + reference};
}

void ChartView::MoveHandle(int handle, QPointF screenPosition)
{
    if (!m_dragging)
        return;
    const QPoint at = Image->mapFromGlobal(screenPosition).toPoint();
    if (m_scale.ChartLeft < at.x() && at.x() < m_scale.ChartRight && m_scale.ChartTop < at.y() &&
        at.y() < m_scale.ChartBottom) {
        const Chart::HandlePosition position =
            Chart::PositionAt(at - QPoint(Chart::HandleOffset, Chart::HandleOffset), m_scale);
        if (m_direct)
            DrawGraph();
        m_dragged[handle] = position;
        m_shapes[handle]->move(HandlePlace(handle));
        DrawLine(handle / 2);
        emit handleMoved(handle, position.day, position.value);
    }
    m_moved[handle] = true;
}

void ChartView::DrawLine(int line)
{
    QImage& bitmap = Image->Bitmap();
    const QColor& colour = LineColours[line];
    QRect changed;
    if (!m_fresh[line]) {
        Chart::DrawTrendLine(bitmap, colour, m_from[line], m_to[line]);
        changed = QRect(m_from[line], m_to[line]).normalized();
    }
    std::tie(m_from[line], m_to[line]) = LineEnds(line);
    Chart::DrawTrendLine(bitmap, colour, m_from[line], m_to[line]);
    changed |= QRect(m_from[line], m_to[line]).normalized();
    m_fresh[line] = false;
    if (!m_paintCoversChart)
        Image->update(changed.adjusted(-1, -1, 1, 1));
}

void ChartView::ImageMouseMove(QPoint position, QPoint screenPosition)
{
    const int x = position.x();
    const int y = position.y();
    if (!(m_scale.ChartLeft < x && x < m_scale.ChartRight && m_scale.ChartTop < y &&
          y < m_scale.ChartBottom)) {
        HideMarkers();
        return;
    }
    Image->setCursor(Qt::CrossCursor);
    const QString hint =
        ToolTipText(Chart::PlotHoverText(m_items, m_scale, x, Support::Regional(), Support::Language::Dutch));
    Image->setToolTip(hint);
    QToolTip::showText(screenPosition, hint, Image, QRect(), ToolTipMs);
    Shape1->setGeometry(x, m_scale.ChartBottom - MarkerLength, 1, MarkerLength);
    Shape1->show();
    Shape2->setGeometry(0, m_scale.ChartBottom - Chart::SeriesHeightAtX(m_items, m_scale, x + 3) + 3,
                        MarkerLength, 1);
    Shape2->show();
}

void ChartView::HideMarkers()
{
    Shape1->hide();
    Shape2->hide();
}

bool ChartView::eventFilter(QObject* watched, QEvent* event)
{
    const auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
    if (watched == Image) {
        if (event->type() != QEvent::MouseMove)
            return false;
        ImageMouseMove(mouse()->position().toPoint(), mouse()->globalPosition().toPoint());
        return true;
    }
    const auto shape = std::find(m_shapes.begin(), m_shapes.end(), watched);
    if (shape == m_shapes.end())
        return QWidget::eventFilter(watched, event);
    const int handle = static_cast<int>(shape - m_shapes.begin());
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_dragging = true;
        return true;
    case QEvent::MouseButtonRelease:
        m_dragging = false;
        return true;
    case QEvent::MouseMove:
        MoveHandle(handle, mouse()->globalPosition());
        return true;
    case QEvent::ContextMenu:
        // The right button's press started a drag; the menu ends it.
        m_dragging = false;
        emit handleMenuRequested(handle, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    default:
        return false;
    }
}
