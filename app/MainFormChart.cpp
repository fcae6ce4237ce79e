// The main window's chart: painting, the trend-line handles and the hover read-out.
#include "app/MainForm.h"

#include "app/TrendLines.h"
#include "chart/ChartDrawing.h"
#include "chart/HoverText.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Regional.h"
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

    TShape* const handles[] = {Shape3, Shape4, Shape5, Shape6, Shape7, Shape8};
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        TShape* shape = handles[handle];
        connect(shape, &TShape::mousePressed, this, [this] { ShapeMouseDown(); });
        connect(shape, &TShape::mouseReleased, this, [this] { ShapeMouseUp(); });
        connect(shape, &TShape::mouseMoved, this, [this, handle](QPointF screenPosition) {
            void (TMainForm::*const moves[])(const QPointF&) = {
                &TMainForm::Shape3MouseMove, &TMainForm::Shape4MouseMove, &TMainForm::Shape5MouseMove,
                &TMainForm::Shape6MouseMove, &TMainForm::Shape7MouseMove, &TMainForm::Shape8MouseMove};
            (this->*moves[handle])(screenPosition);
        });
    }
    connect(Image, &TImage::mouseMoved, this, [this](QPoint position, QPoint screenPosition) {
        ImageMouseMove(Image, position, screenPosition);
    });
    ListBox->setMouseTracking(true);
    ListBox->viewport()->setMouseTracking(true);
    ListBox->viewport()->installEventFilter(new MouseMoveRelay(this, [this](QMouseEvent* event) {
        ImageMouseMove(ListBox, event->position().toPoint(), event->globalPosition().toPoint());
    }));
}

void TMainForm::LayOutChart()
{
    GrafiekPanel->setGeometry(PlotMargin, PlotMargin, std::max(0, Panel1->width() - 2 * PlotMargin),
                              std::max(0, Panel1->height() - 2 * PlotMargin));
    Image->setGeometry(1, 1, GrafiekPanel->width(), GrafiekPanel->height());
    Image->SizeBitmapToImage();
    Image1->SizeBitmapToImage();
}

void TMainForm::FormPaint()
{
    Support::TraceScope trace("MainForm.FormPaint");
    LayOutChart();
    // The first paint places the handles for the layout the window really has.
    if (!m_session.Painted())
        m_session.SetReloadHandles(true);
    DrawGraph();
    m_session.SetPainted();
}

void TMainForm::RedrawChartFully()
{
    m_session.SetReloadHandles(true);
    DrawGraph();
}

void TMainForm::DrawGraph()
{
    Support::TraceScope trace("MainForm.DrawGraph");
    const History::EntryList& items = m_session.Series().Items();
    const Chart::SeriesData series = Chart::ReadSeries(items);
    const Chart::ChartScale scale = Chart::MakeScale(series, Image->width(), Image->height());
    Image->SizeBitmapToImage();
    Image1->SizeBitmapToImage();
    Chart::ChartColours colours;
    colours.buttonFace = Panel1->palette().color(QPalette::Window);
    colours.windowText = Panel1->palette().color(QPalette::WindowText);
    Chart::DrawChart(Image->Bitmap(), Image1->Bitmap(), series, scale, m_session.ThirdFridayDate(),
                     Support::Regional(), colours);
    Chart::DrawPlotNote(
        Image->Bitmap(), scale,
        Chart::PlotNote(m_session.LastValuedDay(), Support::TodayDayNumber(), Support::Language::Dutch));
    // The bitmaps are new: no trend line is on them, whoever asked for the redraw.
    Lines->ChartDrawn(scale);
    Image->update();
    Image1->update();
}

void TMainForm::ShapeMouseDown()
{
    Lines->Press();
}

void TMainForm::ShapeMouseUp()
{
    Lines->Release();
}

void TMainForm::Shape3MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(0, screenPosition);
}

void TMainForm::Shape4MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(1, screenPosition);
}

void TMainForm::Shape5MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(2, screenPosition);
}

void TMainForm::Shape6MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(3, screenPosition);
}

void TMainForm::Shape7MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(4, screenPosition);
}

void TMainForm::Shape8MouseMove(const QPointF& screenPosition)
{
    Lines->MoveHandle(5, screenPosition);
}

void TMainForm::ImageMouseMove(QWidget* sender, QPoint position, QPoint screenPosition)
{
    const Chart::ChartScale& scale = Lines->Scale();
    const History::SeriesModel& series = m_session.Series();
    const int x = position.x();
    const int y = position.y();
    if (sender == Image && scale.ChartLeft < x && x < scale.ChartRight && scale.ChartTop < y &&
        y < scale.ChartBottom) {
        Image->setCursor(Qt::CrossCursor);
        const QString hint =
            Chart::PlotHoverText(series.Items(), scale, x, Support::Regional(), Support::Language::Dutch);
        Image->setToolTip(ToolTipText(hint));
        QToolTip::showText(screenPosition, ToolTipText(hint), Image, QRect(), ToolTipMs);
        Shape1->setGeometry(x, scale.ChartBottom - MarkerLength, 1, MarkerLength);
        Shape1->show();
        Shape2->setGeometry(0, scale.ChartBottom - Chart::SeriesHeightAtX(series.Items(), scale, x + 3) + 3,
                            MarkerLength, 1);
        Shape2->show();
    } else {
        Shape1->hide();
        Shape2->hide();
    }

    if (sender == ListBox && 0 < x && x < ListPanel->width() && 0 < y && y < ListPanel->height()) {
        const QPoint inList = ListBox->viewport()->mapFromGlobal(screenPosition);
        const QModelIndex index = ListBox->indexAt(inList);
        if (index.isValid() && index.row() < series.Count()) {
            const QString hint =
                Chart::ListHoverText(series.At(index.row()), Support::Regional(), Support::Language::Dutch);
            if (!hint.isEmpty()) {
                ListBox->setToolTip(ToolTipText(hint));
                QToolTip::showText(screenPosition + QPoint(ListToolTipShift, 0), ToolTipText(hint),
                                   ListBox->viewport(), QRect(), ToolTipMs);
            }
        } else {
            // Below the last item nothing is shown; the previous text stays the list's hint.
            QToolTip::hideText();
        }
    }
}
