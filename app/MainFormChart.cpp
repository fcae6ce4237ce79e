// The main window's side of the chart: the handles stored in the session, their menu, and the
// list's hover read-out, which ends the plot's.
#include "app/MainForm.h"

#include "chart/HoverText.h"
#include "session/Session.h"
#include "support/Regional.h"
#include "support/Texts.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

namespace {
constexpr int ListToolTipShift = 10;
} // namespace

void TMainForm::SetUpChart()
{
    connect(Panel1, &ChartView::handleMenuRequested, this,
            [this](int handle, QPoint screenPosition) { ShowHandleMenu(handle, screenPosition); });
    ListBox->setMouseTracking(true);
    ListBox->viewport()->setMouseTracking(true);
    ListBox->viewport()->installEventFilter(this);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && watched == ListBox->viewport()) {
        const auto* move = static_cast<QMouseEvent*>(event);
        ListBoxMouseMove(move->position().toPoint(), move->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::SaveHandles()
{
    for (const auto& [handle, position] : Panel1->TakeChangedHandles())
        m_session.StoreHandle(handle, position);
}

void TMainForm::ShowHandleMenu(int handle, QPoint screenPosition)
{
    const int line = handle / 2;
    if (!m_handleMenu) {
        m_handleMenu = new QMenu(Panel1->Image);
        m_handleMenu->setObjectName(QStringLiteral("HandleMenu"));
        QAction* alert = m_handleMenu->addAction(
            QString::fromLatin1(Support::TextFor(Support::Text::AlertMenuItem, Support::Language::Dutch)));
        alert->setObjectName(QStringLiteral("AlertAction"));
        alert->setCheckable(true);
    }
    QAction* alert = m_handleMenu->actions().value(0);
    alert->disconnect(this);
    alert->setChecked(m_session.AlertOn(line));
    connect(alert, &QAction::toggled, this, [this, line](bool on) { m_session.SetAlertOn(line, on); });
    m_handleMenu->popup(screenPosition);
}

void TMainForm::ListBoxMouseMove(QPoint position, QPoint screenPosition)
{
    Panel1->HideMarkers();
    const int x = position.x();
    const int y = position.y();
    if (!(0 < x && x < ListPanel->width() && 0 < y && y < ListPanel->height()))
        return;
    const History::SeriesModel& series = m_session.Series();
    const QModelIndex index = ListBox->indexAt(ListBox->viewport()->mapFromGlobal(screenPosition));
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
