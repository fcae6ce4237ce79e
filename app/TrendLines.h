#pragma once
// The three trend lines on the chart: the six round handles (two per line, green, red, blue),
// their dragging, and the lines drawn between them in NotXor mode, so that a drag never redraws
// the chart. A handle's position is kept by the session as a day and a value; here it is a
// place on the plot, moved by the mouse until it is saved back as a day and a value.

#include "chart/ChartScale.h"
#include "chart/Handles.h"

#include <QObject>
#include <QPoint>
#include <array>

class QMenu;
class Session;
class TImage;
class TShape;

class TrendLines : public QObject
{
    Q_OBJECT
public:
    static constexpr int LineCount = 3;

    // `shapes` are Shape3 ... Shape8, on the panel around `image` (the plot area).
    TrendLines(Session& session, TImage* image, const std::array<TShape*, Chart::HandleCount>& shapes,
               QObject* parent = nullptr);

    // The chart's scale as last drawn; it turns places into days and values and back.
    const Chart::ChartScale& Scale() const { return m_scale; }
    // A new chart was drawn with `scale` on fresh bitmaps: no line is on them. The handles are
    // placed from their stored day and value when the session asks for it, then the three lines
    // are drawn.
    void ChartDrawn(const Chart::ChartScale& scale);

    // Places every handle from its stored day and value (a default place where there is none
    // or it lies off the chart).
    void LoadHandles();
    // Stores the day and value of every dragged handle and of every handle that has no stored
    // position yet; the others keep theirs (no rounding wear). Nothing without a scale.
    void SaveHandles();
    bool AnyHandleMoved() const;
    bool HandleMoved(int handle) const { return m_moved.at(static_cast<std::size_t>(handle)); }
    // The line is not on the bitmap (a fresh chart): its next drawing erases nothing.
    bool LineFresh(int line) const { return m_fresh.at(static_cast<std::size_t>(line)); }
    // Where each line was last drawn, from and to.
    QPoint LineFrom(int line) const { return m_from.at(static_cast<std::size_t>(line)); }
    QPoint LineTo(int line) const { return m_to.at(static_cast<std::size_t>(line)); }

    // The mouse on a handle: pressed, released, moved to a screen position.
    void Press() { m_dragging = true; }
    void Release() { m_dragging = false; }
    bool Dragging() const { return m_dragging; }
    void MoveHandle(int handle, const QPointF& screenPosition);

    // Erases the line where it was drawn (unless fresh) and draws it between its handles.
    void DrawLine(int line);

    // The handle's menu at a screen position: one checked item, "Waarschuw bij doorbreken",
    // that switches the alert of the handle's line. A right-click is no drag.
    void ShowHandleMenu(int handle, const QPoint& screenPosition);
    // The menu last shown (for tests and screenshots); null before the first.
    QMenu* HandleMenu() const { return m_menu; }

private:
    Session& m_session;
    TImage* m_image;
    std::array<TShape*, Chart::HandleCount> m_shapes;
    Chart::ChartScale m_scale;
    std::array<bool, Chart::HandleCount> m_moved{};
    std::array<bool, LineCount> m_fresh{true, true, true};
    std::array<QPoint, LineCount> m_from{};
    std::array<QPoint, LineCount> m_to{};
    bool m_dragging = false;
    bool m_lineBusy = false;
    QMenu* m_menu = nullptr;
};
