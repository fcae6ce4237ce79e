#pragma once
// The chart: the surface with its title and labels (Image1) around the sunken plot area
// (GrafiekPanel) with the plot bitmap (Image), the two hover markers (Shape1, Shape2) and the
// six trend-line handles (Shape3 ... Shape8), two per line, green, red and blue. It draws the
// series it is given and keeps each handle's day and value; a handle's place on the plot follows
// them. A drag changes them and draws the handle's line in NotXor mode, so that it never
// redraws the chart.

#include "app/Components.h"
#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "chart/Handles.h"
#include "history/DayEntry.h"

#include <QDate>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class QFrame;

class ChartView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int LineCount = Chart::HandleCount / 2;
    using StoredHandles = std::array<std::optional<Chart::StoredHandle>, Chart::HandleCount>;
    using ChangedHandles = std::vector<std::pair<int, Chart::StoredHandle>>;

    explicit ChartView(QWidget* parent = nullptr);

    TImage* Image1 = nullptr;
    QFrame* GrafiekPanel = nullptr;
    TImage* Image = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    // Shape3 ... Shape8 for handle 0 ... 5.
    TShape* HandleShape(int handle) const { return m_shapes.at(static_cast<std::size_t>(handle)); }

    // What the chart shows: the series, its third Friday, and the newest day with a value of its
    // own (for the note over a plot without recent values). Drawn at once once the chart has
    // been painted, else at its first paint.
    void setSeries(History::EntryList items, const QDate& thirdFriday, int lastValuedDay);
    // The handles' stored days and values; a handle without one waits at its default place.
    void setHandles(const StoredHandles& handles);
    // The stored positions that change: those of the handles dragged since they were last
    // stored, and of those without one (what their place stands for). From now on they are the
    // handles' stored positions, and the handles stand where these put them. None without a scale.
    ChangedHandles TakeChangedHandles();

    // Redraws the chart on fresh bitmaps, every handle placed from its stored day and value.
    void DrawGraph();
    // What a paint does when the chart is due: draws it.
    void FormPaint();
    // The chart has been painted once, for the layout the window really has, and its bitmaps
    // hold it.
    bool Painted() const { return m_painted && !m_direct; }

    // The chart's scale as last drawn; it turns places into days and values and back.
    const Chart::ChartScale& Scale() const { return m_scale; }
    bool AnyHandleMoved() const;
    bool HandleMoved(int handle) const { return m_moved.at(static_cast<std::size_t>(handle)); }
    bool Dragging() const { return m_dragging; }
    // Where each line was last drawn, from and to.
    QPoint LineFrom(int line) const { return m_from.at(static_cast<std::size_t>(line)); }
    QPoint LineTo(int line) const { return m_to.at(static_cast<std::size_t>(line)); }

    // The hover read-out: over the plot area the value and date under the cursor as the plot's
    // tooltip, with a marker on each axis; elsewhere the markers go.
    void ImageMouseMove(QPoint position, QPoint screenPosition);
    void HideMarkers();

signals:
    // A handle was dragged to a day (with the fraction of a day its pixel stands for) and value.
    void handleMoved(int handle, double day, double value);
    // A handle's menu is asked for at a screen position; the drag it started has ended.
    void handleMenuRequested(int handle, QPoint screenPosition);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveHandle(int handle, QPointF screenPosition);
    // The handle's left and top on GrafiekPanel, from its day and value.
    QPoint HandlePlace(int handle) const;
    QPoint HandlePlace(int handle, const Chart::ChartScale& scale) const;
    // Places the handles where the chart drawn now would put them (the scale stays as drawn).
    void LayOutHandles();
    // Places every handle from its stored position (none is dragged any more) and draws the lines.
    void PlaceHandles();
    // The same without the lines.
    void PlaceShapes();
    // Where the line between the line's two handles runs on the plot, from and to.
    std::pair<QPoint, QPoint> LineEnds(int line) const;
    // What the plot's bitmap holds, drawn straight onto the screen.
    void DrawPlotOnScreen(QPainter& painter) const;
    Chart::ChartColours Colours() const;
    // The note over the plot, if any.
    QString Note() const;
    // Erases the line where it was drawn (unless fresh) and draws it between its handles.
    void DrawLine(int line);

    std::array<TShape*, Chart::HandleCount> m_shapes{};
    History::EntryList m_items;
    Chart::SeriesData m_series; // the items' days and values, read once
    QDate m_thirdFriday;
    int m_lastValuedDay = History::NoDay;
    Chart::ChartScale m_scale;
    StoredHandles m_stored{};
    // Where each dragged handle is, until it is placed from its stored position again.
    std::array<std::optional<Chart::HandlePosition>, Chart::HandleCount> m_dragged{};
    std::array<bool, Chart::HandleCount> m_moved{};
    bool m_dragging = false;
    std::array<bool, LineCount> m_fresh{true, true, true};
    std::array<QPoint, LineCount> m_from{};
    std::array<QPoint, LineCount> m_to{};
    bool m_drawPending = true;
    // What the bitmaps get drawn is on the screen without another paint of them: a paint of the
    // whole chart is under way (the bitmaps follow in it), or has drawn it there already.
    bool m_paintCoversChart = false;
    bool m_painted = false;
    // The chart is on the screen without its bitmaps: the first paint drew it there, and they
    // are made right after it, or at once when something is to be drawn on them.
    bool m_direct = false;
};
