#include "update/VersionsForm.h"

#include "quotes/HttpClient.h"
#include "support/Product.h"
#include "support/ScreenPlacement.h"
#include "update/Gauge.h"
#include "update/Installer.h"
#include "update/InstallerFiles.h"
#include "update/TerminateForm.h"
#include "update/VerifiedInstaller.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QThread>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <memory>

namespace {
constexpr int PanelHeight = 73;
constexpr std::size_t MaxArgumentLength = 255;
// Time a terminated process gets to disappear before the next search.
constexpr unsigned long TerminationPauseMs = 50;
constexpr std::int64_t MaxKB = std::numeric_limits<std::int32_t>::max();

QString FromText(const std::string& text)
{
    return QString::fromLatin1(text);
}
QString PathFromText(const std::string& path)
{
    return QString::fromLocal8Bit(path);
}
} // namespace

using Support::Text;

TVersionsForm::TVersionsForm(Update::VersionsFormSetup setup, QWidget* parent)
    : QWidget(parent), ProductName(Support::ProductName), VersionText(Support::VersionText),
      m_language(setup.language), m_dataFolder(std::move(setup.dataFolder)),
      m_startFolder(std::move(setup.startFolder)), m_makerSite(std::move(setup.makerSite)), m_key(setup.key),
      m_quitProgram(std::move(setup.quitProgram)), m_startProgram(std::move(setup.startProgram)),
      m_mainWindowOpen(std::move(setup.mainWindowOpen)), m_findProcess(std::move(setup.findProcess)),
      m_fetcher(setup.fetcher ? setup.fetcher : &m_ownFetcher), m_download(*m_fetcher)
{
    setObjectName(QStringLiteral("VersionsForm"));
    QFont verdana(QStringLiteral("Verdana"));
    verdana.setPixelSize(15);
    setFont(verdana);
    move(383, 375);
    resize(358, 255);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(PanelHeight);

    Gauge1 = new TGauge(Panel1);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(12, 9, 317, 16);
    Gauge1->hide();

    DownloadBtn = new QPushButton(Say(Text::DesignDownloadButton), Panel1);
    DownloadBtn->setObjectName(QStringLiteral("DownloadBtn"));
    DownloadBtn->setGeometry(12, 36, 138, 25);
    DownloadBtn->hide();
    connect(DownloadBtn, &QPushButton::clicked, this, [this] { DownloadBtnClick(); });

    ExitBtn = new QPushButton(Say(Text::CloseWindowButton), Panel1);
    ExitBtn->setObjectName(QStringLiteral("ExitBtn"));
    ExitBtn->setGeometry(191, 36, 138, 25);
    connect(ExitBtn, &QPushButton::clicked, this, [this] { ExitBtnClick(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Memo1, 1);
    layout->addWidget(Panel1);

    if (!m_startProgram)
        m_startProgram = [](const QString& program, const QStringList& arguments) {
            // Started directly, never through a shell: the name comes from the network.
            return QProcess::startDetached(program, arguments, QString());
        };
    if (!m_quitProgram)
        m_quitProgram = [] { QCoreApplication::quit(); };
    connect(&m_download, &Update::InstallerDownload::progress, this, [this](int kb) { ProgressArrived(kb); });
    connect(&m_download, &Update::InstallerDownload::finished, this,
            [this](const Update::DownloadResult& result) { DownloadFinished(result); });

    m_mainWindowWatch.setInterval(MainWindowWatchMs);
    connect(&m_mainWindowWatch, &QTimer::timeout, this, [this] { WatchMainWindow(); });
}

TVersionsForm::~TVersionsForm()
{
    CancelCheck();
    // Ended without its signals: the window is going.
    m_download.Cancel();
}

QString TVersionsForm::Say(Text text) const
{
    return FromText(SayText(text));
}

std::string TVersionsForm::SayText(Text text) const
{
    return Support::TextFor(text, m_language);
}

void TVersionsForm::ClearLines()
{
    m_lines.clear();
    Memo1->clear();
}

void TVersionsForm::AddLine(const std::string& line)
{
    AddLineText(FromText(line));
}

void TVersionsForm::AddLineText(const QString& line)
{
    // The whole text is set again: appending to an empty document would drop a first empty line.
    m_lines.append(line);
    Memo1->setPlainText(m_lines.join(QLatin1Char('\n')));
}

void TVersionsForm::AddWriteFailureLine(const std::string& path)
{
    AddLineText(Say(Text::FileNamed) + PathFromText(path) + Say(Text::FileCannotBeWrittenEnd));
}

void TVersionsForm::AddSignatureLine(Update::SignatureCheck check, const std::string& name)
{
    if (check == Update::SignatureCheck::Missing)
        AddLine(name + SayText(Text::NotSignedEnd));
    else if (check == Update::SignatureCheck::NotNewer)
        AddLine(name + SayText(Text::NotNewerEnd));
    else
        AddLine(SayText(Text::SignatureOf) + name + SayText(Text::SignatureInvalidEnd));
}

void TVersionsForm::AddFolderRefusedLine(const std::string& folder)
{
    AddLineText(Say(Text::FolderNamed) + PathFromText(folder) + Say(Text::FolderRefusedEnd));
}

Update::InstallerExpectation TVersionsForm::Expectation() const
{
    return {m_key, ProductName, VersionText};
}

QStringList TVersionsForm::Lines() const
{
    QStringList lines;
    for (QTextBlock block = Memo1->document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

void TVersionsForm::showEvent(QShowEvent* event)
{
    FormShow();
    // The design's place lies partly below a small screen, with the buttons.
    if (const QScreen* own = screen())
        move(Support::KeptOnScreen(frameGeometry(), own->availableGeometry()).topLeft());
    QWidget::showEvent(event);
}

void TVersionsForm::FormShow()
{
    setWindowTitle(FromText(ProductName + SayText(Text::UpdateCaptionSuffix)));
}

void TVersionsForm::closeEvent(QCloseEvent* event)
{
    // Closing the window stops a running download (the partial file is removed) and a check:
    // a list that arrives later is not shown.
    CancelCheck();
    CancelDownload();
    QWidget::closeEvent(event);
}

void TVersionsForm::StartFetch(const Quotes::FetchRequest& request, Quotes::FetchTicket& ticket,
                               Quotes::FetchContinuation done)
{
    ticket = m_fetcher->Fetch(request, [&ticket, done = std::move(done)](const Quotes::FetchResult& result) {
        ticket = Quotes::NoFetch;
        done(result);
    });
}

void TVersionsForm::CheckForUpdate(const std::string& productName, const std::string& versionText)
{
    // A second check would answer the same question; during a download the offer stands.
    if (m_checking || Downloading())
        return;
    ProductName = productName.substr(0, MaxArgumentLength);
    VersionText = versionText.substr(0, MaxArgumentLength);
    m_checking = true;
    StartFetch(Update::VersionListRequest(Update::VersionListAddress(m_makerSite)), m_checkTicket,
               [this](const Quotes::FetchResult& fetched) {
                   m_checking = false;
                   const Update::VersionCheck check =
                       Update::EvaluateFetchedList(fetched.body, ProductName, VersionText);
                   ApplyVersionCheck(check);
                   emit versionChecked(check.result);
               });
}

void TVersionsForm::CancelCheck()
{
    if (!m_checking)
        return;
    m_fetcher->Cancel(m_checkTicket);
    m_checkTicket = Quotes::NoFetch;
    m_checking = false;
}

void TVersionsForm::ApplyVersionCheck(const Update::VersionCheck& check)
{
    const std::string& siteRoot = m_makerSite;
    if (check.result == Update::VersionCheckResult::UpToDate ||
        check.result == Update::VersionCheckResult::UpdateAvailable)
        DownloadSizeKB = check.downloadSizeKB;
    if (check.result == Update::VersionCheckResult::NotListed)
        InstallerReady = false;

    ClearLines();
    AddLine("");
    if (check.result != Update::VersionCheckResult::UpdateAvailable)
        return;

    show();
    AddLine(SayText(Text::UpdateAdvised));
    AddLine("");
    AddLine(SayText(Text::CurrentVersionIs) + Support::VersionTextIn(VersionText, m_language));
    AddLine(SayText(Text::LatestVersionIs) + check.latestVersion);
    AddLine(SayText(Text::DownloadNameIs) + check.downloadName);
    DownloadBtn->setText(Say(Text::StartDownloadingButton));
    ExitBtn->setText(Say(Text::DownloadLaterButton));

    DownloadName = check.downloadName;
    DownloadBase = siteRoot;
    DownloadBtn->show();
    ExitBtn->show();
}

void TVersionsForm::DownloadBtnClick()
{
    // A click while a download runs is ignored: a second download would go beside the first.
    DownloadInstaller(DownloadName, DownloadBase);
}

void TVersionsForm::ExitBtnClick()
{
    // During a download the button still says "Download Later": closing stops the download and
    // removes the partial file (closeEvent).
    if (InstallerReady && !Downloading())
        StartInstaller();
    else
        close();
}

std::string TVersionsForm::DownloadFolder() const
{
    return Update::DownloadFolder(m_dataFolder);
}

void TVersionsForm::DownloadInstaller(const std::string& name, const std::string& base)
{
    if (Downloading())
        return;
    Gauge1->show();
    Gauge1->SetRange(0, DownloadSizeKB);
    Gauge1->SetProgress(0);
    m_receivedKB = 0;
    m_installerSignature.clear();
    m_downloadName = name;
    Update::InstallerOrder order;
    order.folder = DownloadFolder();
    order.name = name;
    // The name comes from the network: characters such as '#', '?' or a blank must not change the address.
    order.address = base + QUrl::toPercentEncoding(FromText(name)).toStdString();
    order.signatureAddress = order.address + ".sig";
    order.listedKB = DownloadSizeKB;
    order.expected = Expectation();
    m_mainWindowWatch.start();
    m_download.Start(std::move(order));
}

void TVersionsForm::ProgressArrived(int receivedKB)
{
    m_receivedKB = receivedKB;
    Gauge1->SetProgress(static_cast<int>(std::min<std::int64_t>(std::int64_t{receivedKB} + 1, MaxKB)));
    WatchMainWindow();
}

void TVersionsForm::WatchMainWindow()
{
    // The program is ending: the download stops and leaves no partial file.
    if (Downloading() && m_mainWindowOpen && !m_mainWindowOpen())
        CancelDownload();
}

void TVersionsForm::DownloadFinished(const Update::DownloadResult& result)
{
    using Update::DownloadEnding;
    using Update::SignatureCheck;
    m_mainWindowWatch.stop();
    m_receivedKB = result.receivedKB;
    switch (result.ending) {
    case DownloadEnding::Ready:
        ClearLines();
        AddLine("");
        AddLine(m_downloadName + SayText(Text::DownloadSucceededEnd));
        AddLine(SayText(Text::ClickInstall));
        ExitBtn->setText(Say(Text::InstallButton));
        DownloadBtn->hide();
        ExitBtn->show();
        InstallerDownloaded(m_downloadName, result.signature);
        ExitBtn->setFocus();
        break;
    case DownloadEnding::Failed:
        AddLine(SayText(Text::DownloadOf) + m_downloadName + SayText(Text::DownloadFailedEnd));
        break;
    case DownloadEnding::NotWritten:
        AddWriteFailureLine(result.path);
        break;
    case DownloadEnding::FolderRefused:
        AddFolderRefusedLine(result.path);
        break;
    case DownloadEnding::Unsigned:
        AddSignatureLine(SignatureCheck::Missing, m_downloadName);
        break;
    case DownloadEnding::BadSignature:
        AddSignatureLine(SignatureCheck::Invalid, m_downloadName);
        break;
    case DownloadEnding::NotNewer:
        AddSignatureLine(SignatureCheck::NotNewer, m_downloadName);
        break;
    }
    emit downloadEnded(result.ending == DownloadEnding::Ready);
}

void TVersionsForm::InstallerDownloaded(const std::string& name, std::string signature)
{
    DownloadName = name;
    m_installerSignature = std::move(signature);
    InstallerReady = true;
}

void TVersionsForm::CancelDownload()
{
    if (!Downloading())
        return;
    m_download.Cancel();
    m_mainWindowWatch.stop();
    emit downloadEnded(false);
}

void TVersionsForm::StartInstaller()
{
    const std::string displayName = Update::InstallerDisplayName(DownloadName);
    AddLine("");
    AddLine(SayText(Text::InstallationOf) + displayName + SayText(Text::InstallationStartingEnd));

    const std::string folder = DownloadFolder();
    if (!Update::IsSafeFileName(DownloadName) || folder.empty()) {
        AddLine(SayText(Text::InstallationFailed));
        return;
    }
    const Update::Files::FolderState state = Update::Files::InspectFolder(folder);
    // Checked again, and started as checked: the file may have been changed since its download.
    Update::VerifiedInstaller installer =
        state == Update::Files::FolderState::Usable
            ? Update::VerifyInstaller(folder, DownloadName, m_installerSignature, Expectation())
            : Update::VerifiedInstaller{};
    if (state == Update::Files::FolderState::Refused ||
        (installer.check != Update::SignatureCheck::Valid &&
         installer.check != Update::SignatureCheck::Unreadable)) {
        if (state == Update::Files::FolderState::Refused) {
            AddFolderRefusedLine(folder);
        } else {
            Update::Files::Remove(folder, DownloadName);
            AddSignatureLine(installer.check, DownloadName);
        }
        InstallerReady = false;
        // Back to the offer: a new download may bring a good file.
        DownloadBtn->show();
        ExitBtn->setText(Say(Text::DownloadLaterButton));
        return;
    }
    QStringList arguments;
    for (const std::string& argument : Update::InstallerArguments())
        arguments.append(FromText(argument));
    const bool started = installer.check == Update::SignatureCheck::Valid &&
                         m_startProgram(PathFromText(installer.program), arguments);
    if (!started) {
        // InstallerReady stays set: the next click tries again with the same file.
        Update::DiscardStart(installer);
        AddLine(SayText(Text::InstallationFailed));
        return;
    }
    installer.held.Close();
    AddLine(SayText(Text::InstallationOf) + displayName + SayText(Text::InstallationStartedEnd));
    EndCompanionProgram();
    m_quitProgram();
}

void TVersionsForm::EndCompanionProgram()
{
    const std::string companion = Update::CompanionProgramPath(m_startFolder, ProductName);
    std::unique_ptr<TTerminateForm> ownFinder;
    auto findProcess = m_findProcess;
    if (!findProcess) {
        ownFinder = std::make_unique<TTerminateForm>();
        findProcess = [finder = ownFinder.get()](const std::string& path) {
            return finder->FindProcess(path);
        };
    }
    // Bounded: a process that survives its termination is left alone and the program quits all the same.
    for (m_terminationRounds = 0; m_terminationRounds < MaxTerminationRounds; ++m_terminationRounds) {
        const Update::ProcessHandle process = findProcess(companion);
        if (!process)
            break;
        Update::TerminateProcess(process);
        QCoreApplication::processEvents();
        QThread::msleep(TerminationPauseMs);
    }
}
