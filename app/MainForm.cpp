#include "app/MainForm.h"

#include "app/AppIcon.h"
#include "app/ChartView.h"
#include "app/FirstPaint.h"
#include "app/StatusLineLayout.h"
#include "quotes/ClosingPrices.h"
#include "quotes/StatusLine.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/Texts.h"
#include "support/Trace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

constexpr int TopPanelHeight = 41;
constexpr int ListPanelWidth = 152;
// The main window speaks Dutch whatever the user's language.
QString Dutch(Support::Text text)
{
    return QString::fromLatin1(Support::TextFor(text, Support::Language::Dutch));
}

void ShowLabel(QLabel* label, const Quotes::StatusLabel& status)
{
    label->setText(QString::fromLatin1(status.text));
    if (status.colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, *status.colour);
        label->setPalette(palette);
    }
    label->adjustSize();
}

QFont Verdana(bool bold)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(15);
    font.setBold(bold);
    return font;
}

// The list box's items are 18 pixels high.
class FixedHeightDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 18};
    }
};

} // namespace

TMainForm::TMainForm(Session& session, MainFormLinks links, QWidget* parent)
    : QWidget(parent), m_session(session), m_links(std::move(links))
{
    CreateComponents();
    connect(&m_session, &Session::seriesChanged, this, [this] { SeriesChanged(); });
    connect(&m_session, &Session::rowSelected, this,
            [this](int row, bool centred) { RowSelected(row, centred); });
    connect(&m_session, &Session::dayCountChanged, SpinEdit, &QSpinBox::setValue);
    connect(&m_session, &Session::statusChanged, this,
            [this](const Quotes::StatusLine& line) { ShowStatusLine(line); });
    connect(&m_session, &Session::loadFailed, this,
            [this](Quotes::BackfillCode code) { ShowLoadMessage(static_cast<int>(code)); });
    connect(&m_session, &Session::downloadTimerSet, DownloadTimer,
            [this](int intervalMs) { DownloadTimer->start(Support::Clock::RealMs(intervalMs)); });
    connect(&m_session, &Session::sourcesChanged, this, [this] { ShowSources(); });
    // While a fetch runs the arrow carries an hourglass; the window answers as always, and the
    // chart keeps its own cross for dragging. The hourglass follows the session from the
    // window's first paint on: the cursor theme is read then, not on the way to the shown
    // window (the first fetches wait for that paint too).
    AfterFirstPaint(*this, [this] {
        connect(&m_session, &Session::busyChanged, this, [this](bool busy) { ShowBusy(busy); });
        ShowBusy(m_session.Busy());
    });
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateComponents()
{
    setObjectName(QStringLiteral("MainForm"));
    setFont(Verdana(false));
    resize(825, 563);

    TopPanel = new QWidget(this);
    TopPanel->setObjectName(QStringLiteral("TopPanel"));
    DagenLabel = new QLabel(Dutch(Support::Text::DayCountLabel), TopPanel);
    DagenLabel->setObjectName(QStringLiteral("DagenLabel"));
    DagenLabel->move(588, 9);
    DagenLabel->adjustSize();
    for (QLabel** label : {&AEXLabel, &KoersLabel, &TimeLabel}) {
        *label = new TStatusLabel(QStringLiteral("-"), TopPanel);
        (*label)->setFont(Verdana(true));
        (*label)->move((*label)->x(), 10);
        (*label)->adjustSize();
    }
    AEXLabel->setObjectName(QStringLiteral("AEXLabel"));
    KoersLabel->setObjectName(QStringLiteral("KoersLabel"));
    TimeLabel->setObjectName(QStringLiteral("TimeLabel"));

    SpinEdit = new TSpinEdit(TopPanel);
    SpinEdit->setObjectName(QStringLiteral("SpinEdit"));
    SpinEdit->setGeometry(688, 6, 73, 28);
    SpinEdit->setRange(MinDayCount, MaxDayCount);
    SpinEdit->setSingleStep(DayStep);
    SpinEdit->setValue(150);
    connect(SpinEdit, &QSpinBox::valueChanged, this, [this] { SpinEditChange(); });

    AboutButton = new QToolButton(TopPanel);
    AboutButton->setObjectName(QStringLiteral("AboutButton"));
    AboutButton->setGeometry(776, 8, 23, 22);
    AboutButton->setFocusPolicy(Qt::NoFocus);
    AboutButton->setAutoRaise(true);
    AboutButton->setIcon(AppIcon());
    AboutButton->setToolTipDuration(ToolTipMs);
    connect(AboutButton, &QToolButton::clicked, this, [this] { AboutButtonClick(); });

    ListPanel = new QWidget(this);
    ListPanel->setObjectName(QStringLiteral("ListPanel"));
    ListBox = new QListView(ListPanel);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setModel(&m_session.Series());
    ListBox->setUniformItemSizes(true);
    ListBox->setItemDelegate(new FixedHeightDelegate(ListBox));
    ListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox->setToolTipDuration(ToolTipMs);

    Panel1 = new ChartView(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    AlertNote = new TNote(Panel1);

    DownloadTimer = new QTimer(this);
    DownloadTimer->setObjectName(QStringLiteral("DownloadTimer"));
    DownloadTimer->setInterval(60000);
    connect(DownloadTimer, &QTimer::timeout, this, [this] { DownloadTimerTimer(); });
    UpdateTimer = new QTimer(this);
    UpdateTimer->setObjectName(QStringLiteral("UpdateTimer"));
    UpdateTimer->setInterval(10000);
    connect(UpdateTimer, &QTimer::timeout, this, [this] { UpdateTimerTimer(); });
}

void TMainForm::FormCreate()
{
    Support::TraceOn = false;
    Support::TraceScope trace("MainForm.Create");

    setWindowTitle(QString::fromLatin1(std::string(Support::ProductName) + ", " + Support::VersionText +
                                       " - [AEX-Index]"));
    // The About box speaks the user's language, and so does the button that opens it.
    AboutButton->setToolTip(
        QString::fromLatin1(Support::TextFor(Support::Text::AboutHint, m_session.Facts().language)));
    DownloadTimer->setInterval(Session::RetestIntervalMs);
    DownloadTimer->stop();
    SetUpChart();

    m_session.Start();
    ChartView::StoredHandles handles;
    for (int handle = 0; handle < Chart::HandleCount; ++handle)
        if (m_session.HandleStored(handle))
            handles[handle] = m_session.Handle(handle);
    Panel1->setHandles(handles);
    const WindowSettings& stored = m_session.StoredWindow();
    move(stored.left, stored.top);
    resize(stored.width, stored.height);
    SpinEdit->setValue(m_session.DayCount());

    UpdateTimer->start();
}

void TMainForm::ShowBusy(bool busy)
{
    if (busy)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TMainForm::LayoutPanels()
{
    const int w = width();
    const int h = height();
    TopPanel->setGeometry(0, 0, w, TopPanelHeight);
    ListPanel->setGeometry(std::max(0, w - ListPanelWidth), TopPanelHeight, ListPanelWidth,
                           std::max(0, h - TopPanelHeight));
    ListBox->setGeometry(0, 0, ListPanel->width(), ListPanel->height());
    Panel1->setGeometry(0, TopPanelHeight, std::max(0, w - ListPanelWidth), std::max(0, h - TopPanelHeight));
}

void TMainForm::FormResize()
{
    Support::TraceScope trace("MainForm.FormResize");
    // A drag not yet saved survives the drawing for the new size, which places every handle
    // from its stored day and value.
    if (m_session.Created() && Panel1->Painted())
        SaveHandles();

    QLabel* status[] = {AEXLabel, KoersLabel, TimeLabel};
    const Support::Text marketClosed[] = {Support::Text::MarketClosedStart, Support::Text::MarketClosedMiddle,
                                          Support::Text::MarketClosedEnd};
    for (int i = 0; i < 3; ++i) {
        if (status[i]->text() == QLatin1String("-")) {
            status[i]->setText(Dutch(marketClosed[i]));
            status[i]->adjustSize();
        }
    }

    AboutButton->move(TopPanel->width() - AboutButton->width() - 10, AboutButton->y());
    SpinEdit->move(AboutButton->x() - SpinEdit->width() - 10, SpinEdit->y());
    DagenLabel->move(SpinEdit->x() - DagenLabel->width() - 5, DagenLabel->y());
    // Centred over the chart panel, but a long quote must not run over "Aantal dagen".
    const auto places = LayOutStatusLine(
        {status[0]->sizeHint().width(), status[1]->sizeHint().width(), status[2]->sizeHint().width()},
        Panel1->width(), DagenLabel->x());
    for (int i = 0; i < 3; ++i) {
        status[i]->setGeometry(places[i].left, status[i]->y(), places[i].width,
                               status[i]->sizeHint().height());
        status[i]->update();
    }
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
    FormResize();
    PlaceAlertNote();
}

void TMainForm::ShowAlertNote(const QString& text)
{
    AlertNote->setText(text);
    PlaceAlertNote();
    AlertNote->show();
    AlertNote->raise();
}

void TMainForm::PlaceAlertNote()
{
    // On one line where it fits, centred over the bottom of the plot area (the handles wait at its
    // top); never wider than the chart. A note without text has no height yet: it is placed
    // when it gets one.
    if (AlertNote->text().isEmpty())
        return;
    const int frame = 2 * (AlertNote->margin() + AlertNote->frameWidth()) + 2;
    const int wanted = AlertNote->fontMetrics().horizontalAdvance(AlertNote->text()) + frame;
    const int width = std::max(100, std::min(wanted, Panel1->width() - 40));
    AlertNote->setFixedWidth(width);
    AlertNote->setFixedHeight(AlertNote->heightForWidth(width));
    AlertNote->move(
        (Panel1->width() - width) / 2,
        std::max(0, Panel1->GrafiekPanel->y() + Panel1->GrafiekPanel->height() - AlertNote->height() - 8));
}

void TMainForm::FormClose()
{
    m_session.StoreWindow(y(), x(), width(), height());
    SaveHandles();
    m_session.CloseHistory(m_session.UnattendedClose() || qApp->isSavingSession() ? CloseKind::Unattended
                                                                                  : CloseKind::User);
}

void TMainForm::CloseUnattended()
{
    m_session.SetUnattendedClose();
    close();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_session.StartClosing()) {
        DownloadTimer->stop();
        UpdateTimer->stop();
        FormClose();
    }
    event->accept();
    QCoreApplication::quit();
}

void TMainForm::SpinEditChange()
{
    m_session.ChangeDayCount(SpinEdit->value());
}

void TMainForm::AboutButtonClick()
{
    if (m_links.showAbout)
        m_links.showAbout();
}

void TMainForm::UpdateTimerTimer()
{
    UpdateTimer->stop();
    if (m_links.checkForUpdate)
        m_links.checkForUpdate();
}

void TMainForm::DownloadTimerTimer()
{
    if (!m_session.DownloadDue())
        return;
    if (Panel1->AnyHandleMoved())
        SaveHandles();
    m_session.Download();
}

void TMainForm::SeriesChanged()
{
    SaveHandles();
    Panel1->setSeries(m_session.Series().Items(), m_session.ThirdFridayDate(), m_session.LastValuedDay());
}

void TMainForm::RowSelected(int row, bool centred)
{
    const QModelIndex index = m_session.Series().index(row);
    ListBox->setCurrentIndex(index);
    if (!centred)
        return;
    ListBox->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // While the window is being created the list has no size yet: centre again once it is laid out.
    QTimer::singleShot(0, ListBox, [list = ListBox] {
        list->scrollTo(list->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

void TMainForm::ShowStatusLine(const Quotes::StatusLine& line)
{
    ShowLabel(AEXLabel, line.aex);
    ShowLabel(KoersLabel, line.koers);
    ShowLabel(TimeLabel, line.time);
    KoersLabel->move(AEXLabel->x() + AEXLabel->width(), KoersLabel->y());
    TimeLabel->move(KoersLabel->x() + KoersLabel->width(), TimeLabel->y());
    FormResize();
}

void TMainForm::ShowSources()
{
    QStringList lines;
    if (!m_session.QuoteSourceName().empty())
        lines << Dutch(Support::Text::QuoteSourceTip) + QString::fromStdString(m_session.QuoteSourceName());
    if (!m_session.BackfillSourceName().empty())
        lines << Dutch(Support::Text::BackfillSourceTip) +
                     QString::fromStdString(m_session.BackfillSourceName());
    for (const Quotes::SourceCooldowns::Resting& resting : m_session.RestingSources())
        lines << Dutch(Support::Text::RestingSourceTip) + QString::fromStdString(resting.source) +
                     Dutch(Support::Text::RestingUntilTip) + resting.until.toString(QStringLiteral("HH:mm"));
    for (QLabel* label : {AEXLabel, KoersLabel, TimeLabel})
        label->setToolTip(lines.join(QLatin1Char('\n')));
}

void TMainForm::ShowLoadMessage(int code)
{
    const std::string text =
        Quotes::LoadMessageText(static_cast<Quotes::BackfillCode>(code), Support::Language::Dutch);
    if (text.empty() || !m_links.showMessage)
        return;
    // Loading runs while the main window is being created, before it is shown: the message
    // waits for the event loop, and is then centred over the main window where it is at that time.
    QTimer::singleShot(0, this, [this, text] {
        const QRect area = frameGeometry();
        m_links.showMessage(area.top(), area.left(), area.height(), area.width(), text, LoadMessageMs);
    });
}
