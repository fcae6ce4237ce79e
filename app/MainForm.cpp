#include "app/MainForm.h"

#include "app/AppIcon.h"
#include "app/Forms.h"
#include "app/SaveFailureBox.h"
#include "app/StatusLineLayout.h"
#include "app/WindowSettings.h"
#include "support/Clock.h"
#include "support/Folders.h"
#include "support/Product.h"
#include "support/SettingsStore.h"
#include "support/SystemInfo.h"
#include "support/Trace.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>

namespace {

constexpr int TopPanelHeight = 41;
constexpr int ListPanelWidth = 152;
constexpr int ChartOffset = 50;
constexpr int ToolTipMs = 10000;
const char* const MarketClosed[] = {"De beurs ", "is ", "gesloten"};

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

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent),
      m_askSaveFailure([this](const std::string& path) { return AskSaveFailureInBox(this, path); })
{
    CreateComponents();
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
    DagenLabel = new QLabel(QStringLiteral("Aantal dagen"), TopPanel);
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
    Series = new History::SeriesModel(this);
    ListBox = new QListView(ListPanel);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setModel(Series);
    ListBox->setUniformItemSizes(true);
    ListBox->setItemDelegate(new FixedHeightDelegate(ListBox));
    ListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListBox->setToolTipDuration(ToolTipMs);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Image1 = new TImage(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    GrafiekPanel = new QFrame(Panel1);
    GrafiekPanel->setObjectName(QStringLiteral("GrafiekPanel"));
    GrafiekPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    GrafiekPanel->setLineWidth(1);
    Image = new TImage(GrafiekPanel);
    Image->setObjectName(QStringLiteral("Image"));
    Image->move(1, 1);

    TShape** shapes[] = {&Shape1, &Shape2, &Shape3, &Shape4, &Shape5, &Shape6, &Shape7, &Shape8};
    for (int i = 0; i < 8; ++i) {
        *shapes[i] = new TShape(i < 2 ? TShape::Kind::Rectangle : TShape::Kind::Circle, GrafiekPanel);
        (*shapes[i])->setObjectName(QStringLiteral("Shape%1").arg(i + 1));
        (*shapes[i])->setToolTipDuration(ToolTipMs);
    }

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

    Created = false;
    Painted = false;
    FreshHistoryCopy = false;

    ProductName = Support::ProductName;
    VersionText = Support::VersionText;
    CopyrightText = Support::CopyrightText;
    setWindowTitle(QString::fromLatin1(ProductName + ", " + VersionText + " - [AEX-Index]"));

    {
        const auto settings = Support::OpenSettings();
        const WindowSettings stored = ReadWindowSettings(*settings);
        move(stored.left, stored.top);
        resize(stored.width, stored.height);
        SpinEdit->setValue(stored.dagen); // SpinEditChange does nothing yet: Created is false
        ReachBackPending = !stored.dagenStored;
    }

    AboutButton->setToolTip(Support::Language == "NLD" ? QStringLiteral("Over...")
                                                       : QStringLiteral("About..."));
    DownloadTimer->setInterval(1000);
    DownloadTimer->stop();

    SetUpChart();

    Support::DataFolder = Support::GetDataFolder(ProductName);
    const std::string history = Support::DataFolder + "AEX.dat";
    if (!QFileInfo::exists(QString::fromLocal8Bit(history))) {
        FreshHistoryCopy = true;
        const std::string starter =
            Support::FindStarterHistory(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString());
        if (!starter.empty())
            Support::CopyFileTo(starter, history, true);
    }

    // A save that was killed after its new file got a name leaves that file beside AEX.dat.
    for (const QString& leftover : History::RemoveSaveLeftovers(QString::fromLocal8Bit(Support::DataFolder),
                                                                QStringLiteral("AEX.dat"))) {
        qWarning("Removed %s, left over from an interrupted save of the history", qUtf8Printable(leftover));
        Support::WriteTrace("MainForm.Create - restant van een onderbroken opslag verwijderd: " +
                            leftover.toStdString());
    }

    HistoryList.clear();
    ReadAEX();
    RollPending = true;

    UpdateTimer->start();
    Created = true;
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
    Image1->setGeometry(1, 1, std::max(1, Panel1->width() - 2), std::max(1, Panel1->height() - 2));
}

void TMainForm::FormResize()
{
    Support::TraceScope trace("MainForm.FormResize");
    if (Created && Painted) {
        ResizeChart();
        RequestChartPaint();
    }

    QLabel* status[] = {AEXLabel, KoersLabel, TimeLabel};
    for (int i = 0; i < 3; ++i) {
        if (status[i]->text() == QLatin1String("-")) {
            status[i]->setText(QString::fromLatin1(MarketClosed[i]));
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

void TMainForm::RequestChartPaint()
{
    m_chartPaintRequested = true;
    update();
}

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
    FormResize();
}

void TMainForm::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (m_chartPaintRequested) {
        m_chartPaintRequested = false;
        FormPaint();
    }
}

void TMainForm::FormClose(CloseKind kind)
{
    {
        const auto settings = Support::OpenSettings();
        WriteWindowSettings(*settings, {y(), x(), width(), height(), SpinEdit->value()});
        settings->sync();
        if (settings->status() != QSettings::NoError)
            qWarning("The settings could not be saved in %s", qUtf8Printable(settings->fileName()));
    }
    Support::WriteMissingSources();
    SaveHandles();
    const HistorySave saved =
        SaveHistoryAtClose([this] { return WriteAEX(); }, kind, m_askSaveFailure, HistoryFilePath());
    if (saved == HistorySave::Failed)
        Support::WriteTrace("MainForm.FormClose - de koersgeschiedenis is niet opgeslagen in " +
                            HistoryFilePath());
    HistoryList.clear();
}

void TMainForm::CloseUnattended()
{
    m_unattendedClose = true;
    close();
}

void TMainForm::SetSaveFailureAsker(SaveFailureAsker asker)
{
    m_askSaveFailure = std::move(asker);
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!m_closed) {
        m_closed = true;
        DownloadTimer->stop();
        UpdateTimer->stop();
        FormClose(m_unattendedClose || qApp->isSavingSession() ? CloseKind::Unattended : CloseKind::User);
    }
    event->accept();
    QCoreApplication::quit();
}

void TMainForm::SpinEditChange()
{
    if (Created)
        ResizeSeries();
}

void TMainForm::AboutButtonClick()
{
    if (Forms::AboutForm)
        Forms::AboutForm->exec();
}

void TMainForm::UpdateTimerTimer()
{
    UpdateTimer->stop();
    if (Forms::VersionsForm)
        Forms::VersionsForm->CheckForUpdate(ProductName, VersionText);
}
