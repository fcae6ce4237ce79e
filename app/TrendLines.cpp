#include "app/TrendLines.h"

#include "app/Components.h"
#include "chart/ChartDrawing.h"
#include "session/Session.h"
#include "support/Regional.h"
#include "support/Texts.h"

#include <QAction>
#include <QMenu>
#include <algorithm>

namespace {
const QColor LineColours[TrendLines::LineCount] = {QColor(0, 128, 0), QColor(255, 0, 0), QColor(0, 0, 255)};
} // namespace

TrendLines::TrendLines(Session& session, TImage* image, const std::array<TShape*, Chart::HandleCount>& shapes,
                       QObject* parent)
    : QObject(parent), m_session(session), m_image(image), m_shapes(shapes)
{
    m_shapes[0]->resize(Chart::HandleSize, Chart::HandleSize);
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        TShape* shape = m_shapes[handle];
        shape->resize(m_shapes[0]->size());
        shape->SetPenColor(LineColours[handle / 2]);
        shape->setToolTip(
            QString::fromLatin1(Support::TextFor(Support::Text::HandleHint, Support::Language::Dutch)));
        shape->setToolTipDuration(ToolTipMs);
        shape->move(Chart::DefaultHandlePlace(handle));
        shape->raise();
        connect(shape, &TShape::menuRequested, this,
                [this, handle](QPoint screenPosition) { ShowHandleMenu(handle, screenPosition); });
    }
}

void TrendLines::ShowHandleMenu(int handle, const QPoint& screenPosition)
{
    // The right button's press started a drag; the menu ends it.
    Release();
    const int line = handle / 2;
    if (!m_menu) {
        m_menu = new QMenu(m_image);
        m_menu->setObjectName(QStringLiteral("HandleMenu"));
        QAction* alert = m_menu->addAction(
            QString::fromLatin1(Support::TextFor(Support::Text::AlertMenuItem, Support::Language::Dutch)));
        alert->setObjectName(QStringLiteral("AlertAction"));
        alert->setCheckable(true);
    }
    QAction* alert = m_menu->actions().value(0);
    alert->disconnect(this);
    alert->setChecked(m_session.AlertOn(line));
    connect(alert, &QAction::toggled, this, [this, line](bool on) { m_session.SetAlertOn(line, on); });
    m_menu->popup(screenPosition);
}

void TrendLines::ChartDrawn(const Chart::ChartScale& scale)
{
    m_scale = scale;
    m_fresh = {true, true, true};
    if (m_session.ReloadHandles()) {
        LoadHandles();
        m_session.SetReloadHandles(false);
    }
    for (int line = 0; line < LineCount; ++line)
        DrawLine(line);
}

void TrendLines::LoadHandles()
{
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        m_shapes[handle]->move(Chart::PlaceHandle(handle, m_session.Handle(handle), m_scale).place);
        m_moved[handle] = false;
    }
}

void TrendLines::SaveHandles()
{
    // Without a scale no place can be turned into a day and a value; what is stored stays.
    if (!m_scale.IsValid())
        return;
    // A handle that was not dragged keeps the position it was placed from: storing its pixel
    // place again would wear the value down by rounding, and would overwrite a position that
    // fell back to the default because it lies outside the chart shown now.
    const char separator = Support::Regional().decimalSeparator;
    for (int handle = 0; handle < Chart::HandleCount; ++handle) {
        if (m_moved[handle] || !m_session.HandleStored(handle))
            m_session.StoreHandle(handle, Chart::StoreHandle(m_shapes[handle]->pos(), m_scale, separator));
        m_moved[handle] = false;
    }
}

bool TrendLines::AnyHandleMoved() const
{
    return std::find(m_moved.begin(), m_moved.end(), true) != m_moved.end();
}

void TrendLines::MoveHandle(int handle, const QPointF& screenPosition)
{
    if (!m_dragging)
        return;
    const QPoint at = m_image->mapFromGlobal(screenPosition).toPoint();
    if (m_scale.ChartLeft < at.x() && at.x() < m_scale.ChartRight && m_scale.ChartTop < at.y() &&
        at.y() < m_scale.ChartBottom) {
        m_shapes[handle]->move(at.x() - Chart::HandleOffset, at.y() - Chart::HandleOffset);
        if (!m_lineBusy)
            DrawLine(handle / 2);
    }
    m_moved[handle] = true;
}

void TrendLines::DrawLine(int line)
{
    m_lineBusy = true;
    QImage& bitmap = m_image->Bitmap();
    const QColor& colour = LineColours[line];
    QRect changed;
    if (!m_fresh[line]) {
        Chart::DrawTrendLine(bitmap, colour, m_from[line], m_to[line]);
        changed = QRect(m_from[line], m_to[line]).normalized();
    }
    const QPoint reference(Chart::HandleOffset, Chart::HandleOffset);
    m_from[line] = m_shapes[2 * line]->pos() + reference;
    m_to[line] = m_shapes[2 * line + 1]->pos() + reference;
    Chart::DrawTrendLine(bitmap, colour, m_from[line], m_to[line]);
    changed |= QRect(m_from[line], m_to[line]).normalized();
    m_fresh[line] = false;
    m_lineBusy = false;
    m_image->update(changed.adjusted(-1, -1, 1, 1));
}
