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
#include <atomic>
#include <limits>
#include <memory>
#include <mutex>

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

// One installer download. While its fetch runs, the file is written by the fetch's thread
// (the piece callback); the window's thread takes it over under the lock only to abandon it,
// and for good once the fetch has ended. Held by the piece callback too, so it outlives the
// window when the fetch's thread ends after it.
struct TVersionsForm::InstallerDownload
{
    TVersionsForm* window = nullptr;
    std::function<void(bool ready)> done;
    std::string name;
    std::string folder;
    std::string path;
    std::string address;

    std::mutex lock; // the file and `abandoned`
    Update::Files::File file;
    bool abandoned = false;

    // Written by the piece callback, read by the window's thread.
    std::atomic<std::int32_t> receivedKB{0};
    std::atomic<bool> anyPiece{false};
    std::atomic<bool> writeFailed{false};
    // One progress update waits in the window's event queue at a time.
    std::atomic<bool> progressQueued{false};

    // The piece callback; runs on the fetch's thread with a background fetcher.
    bool Write(std::string_view read, const DownloadPointer& self)
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (abandoned)
            return false;
        if (!file.Write(read.data(), read.size())) {
            writeFailed = true;
            return false;
        }
        const std::int64_t counted = std::int64_t{receivedKB} + Update::CountedKB(read.size());
        receivedKB = static_cast<std::int32_t>(std::min<std::int64_t>(counted, MaxKB));
        anyPiece = true;
        // Posted under the lock: once the window has abandoned the download, nothing is posted
        // to it any more (it may be gone).
        if (!progressQueued.exchange(true))
            QMetaObject::invokeMethod(
                window, [window = window, self] { window->ProgressArrived(self); }, Qt::QueuedConnection);
        return true;
    }

    // Ends the file's use by the fetch: later pieces are refused. The file is closed, and
    // removed unless `keep`.
    void Abandon(bool keep)
    {
        const std::lock_guard<std::mutex> guard(lock);
        abandoned = true;
        if (!file.Close())
            writeFailed = true;
        if (!keep)
            Remove();
    }
    void Remove() const { Update::Files::Remove(folder, name); }
};

TVersionsForm::TVersionsForm(Update::VersionsFormSetup setup, QWidget* parent)
    : QWidget(parent), ProductName(Support::ProductName), VersionText(Support::VersionText),
      StartFolder(std::move(setup.startFolder)), QuitProgram(std::move(setup.quitProgram)),
      m_language(setup.language), m_dataFolder(std::move(setup.dataFolder)),
      m_makerSite(std::move(setup.makerSite)), m_mainWindowOpen(std::move(setup.mainWindowOpen)),
      m_findProcess(std::move(setup.findProcess)), m_fetcher(setup.fetcher ? setup.fetcher : &m_ownFetcher)
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

    StartProgram = [](const QString& program, const QStringList& arguments) {
        // Started directly, never through a shell: the name comes from the network.
        return QProcess::startDetached(program, arguments, QString());
    };
    if (!QuitProgram)
        QuitProgram = [] { QCoreApplication::quit(); };

    m_mainWindowWatch.setInterval(MainWindowWatchMs);
    connect(&m_mainWindowWatch, &QTimer::timeout, this, [this] { WatchMainWindow(); });
}

TVersionsForm::~TVersionsForm()
{
    CancelCheck();
    if (m_download) {
        m_fetcher->Cancel(m_downloadTicket);
        m_download->Abandon(false);
        m_download = nullptr;
    }
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

void TVersionsForm::AddSignatureLine(Update::SignatureCheck check)
{
    if (check == Update::SignatureCheck::Missing)
        AddLine(DownloadName + SayText(Text::NotSignedEnd));
    else if (check == Update::SignatureCheck::NotNewer)
        AddLine(DownloadName + SayText(Text::NotNewerEnd));
    else
        AddLine(SayText(Text::SignatureOf) + DownloadName + SayText(Text::SignatureInvalidEnd));
}

void TVersionsForm::AddFolderRefusedLine(const std::string& folder)
{
    AddLineText(Say(Text::FolderNamed) + PathFromText(folder) + Say(Text::FolderRefusedEnd));
}

Update::InstallerExpectation TVersionsForm::Expectation() const
{
    return {InstallerKey, ProductName, VersionText};
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
    if (m_checking || m_download)
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
    // A click while a download runs would start a second download beside the first.
    if (m_download)
        return;
    DownloadInstaller(DownloadName, DownloadBase, [this](bool ready) {
        if (!ready)
            return;
        ClearLines();
        AddLine("");
        AddLine(DownloadName + SayText(Text::DownloadSucceededEnd));
        AddLine(SayText(Text::ClickInstall));
        ExitBtn->setText(Say(Text::InstallButton));
        DownloadBtn->hide();
        ExitBtn->show();
        InstallerReady = true;
        ExitBtn->setFocus();
    });
}

void TVersionsForm::ExitBtnClick()
{
    // During a download the button still says "Download Later": closing stops the download and
    // removes the partial file (closeEvent).
    if (InstallerReady && !m_download)
        StartInstaller();
    else
        close();
}

std::string TVersionsForm::DownloadFolder() const
{
    // Without a data folder there is none: a relative "Temp/" would name a folder in whatever
    // the current folder is, and the start's removal of leftovers would empty it.
    if (m_dataFolder.empty())
        return {};
    return m_dataFolder + Update::DownloadFolderName;
}

void TVersionsForm::DownloadInstaller(const std::string& name, const std::string& base,
                                      std::function<void(bool ready)> done)
{
    if (m_download) {
        if (done)
            done(false);
        return;
    }
    const auto download = std::make_shared<InstallerDownload>();
    download->window = this;
    download->done = std::move(done);
    download->name = name;
    m_download = download;
    Gauge1->show();
    Gauge1->SetRange(0, DownloadSizeKB);
    Gauge1->SetProgress(0);
    ReceivedKB = 0;
    InstallerSignature.clear();
    if (!Update::IsSafeFileName(name)) {
        AddLine(SayText(Text::DownloadOf) + name + SayText(Text::DownloadFailedEnd));
        EndDownload(false);
        return;
    }

    const std::string folder = DownloadFolder();
    if (folder.empty()) {
        AddWriteFailureLine(name);
        EndDownload(false);
        return;
    }
    // A link or anything else in the folder's place would lead the installer elsewhere.
    const Update::Files::FolderState state = Update::Files::PrepareFolder(folder);
    if (state != Update::Files::FolderState::Usable) {
        if (state == Update::Files::FolderState::Refused)
            AddFolderRefusedLine(folder);
        else
            AddWriteFailureLine(folder + name);
        EndDownload(false);
        return;
    }
    Update::Files::Remove(folder, Update::EarlierInstallerName(ProductName, VersionText));
    Update::Files::Remove(folder, name);

    download->folder = folder;
    download->path = folder + name;
    // Only as a new file: whatever took the name after its removal is not written through.
    download->file = Update::Files::CreateNew(folder, name, Update::Files::Kind::Data);
    if (!download->file) {
        AddWriteFailureLine(download->path);
        EndDownload(false);
        return;
    }
    // The name comes from the network: characters such as '#', '?' or a blank must not change the address.
    download->address = base + QUrl::toPercentEncoding(FromText(name)).toStdString();

    Quotes::FetchRequest request;
    request.url = download->address;
    request.access = Quotes::INTERNET_OPEN_TYPE_DIRECT;
    request.options.attempts = 1;
    request.options.cutPiecesAtZero = false;
    request.options.keepBody = false;
    request.options.maxBodyBytes = static_cast<std::size_t>(Update::MaxInstallerBytes(DownloadSizeKB));
    request.options.refuseHttpErrors = true;
    request.options.stayOnHost = true;
    // Every piece is one read of at most 2048 bytes; only the last one may be shorter.
    request.options.onPiece = [download](std::string_view read) { return download->Write(read, download); };
    m_mainWindowWatch.start();
    StartFetch(request, m_downloadTicket, [this, download](const Quotes::FetchResult& fetched) {
        if (m_download == download)
            InstallerArrived(download, fetched);
    });
}

void TVersionsForm::ShowProgress(const InstallerDownload& download)
{
    ReceivedKB = download.receivedKB;
    if (download.anyPiece)
        Gauge1->SetProgress(static_cast<int>(std::min<std::int64_t>(std::int64_t{ReceivedKB} + 1, MaxKB)));
}

void TVersionsForm::ProgressArrived(const DownloadPointer& download)
{
    // Cleared first: a piece read from now on posts the next update.
    download->progressQueued = false;
    if (m_download != download)
        return;
    ShowProgress(*download);
    WatchMainWindow();
}

void TVersionsForm::WatchMainWindow()
{
    // The program is ending: the download stops and leaves no partial file.
    if (m_download && m_mainWindowOpen && !m_mainWindowOpen())
        CancelDownload();
}

void TVersionsForm::InstallerArrived(const DownloadPointer& download, const Quotes::FetchResult& fetched)
{
    // The fetch has ended: its thread no longer writes.
    ShowProgress(*download);
    download->Abandon(true);
    const std::string failed = SayText(Text::DownloadOf) + download->name + SayText(Text::DownloadFailedEnd);
    // An incomplete file is never offered as the installer: not whole, an error page, too long,
    // from another host, or not written.
    if (download->writeFailed || fetched.ending != Quotes::FetchEnding::Complete || ReceivedKB < 1) {
        download->Remove();
        if (download->writeFailed)
            AddWriteFailureLine(download->path);
        else
            AddLine(failed);
        EndDownload(false);
        return;
    }

    // Only a file signed with the release key may be started.
    Quotes::FetchRequest request;
    request.url = download->address + ".sig";
    request.access = Quotes::INTERNET_OPEN_TYPE_DIRECT;
    request.options.attempts = 1; // as the installer's own download
    request.options.cutPiecesAtZero = false;
    request.options.maxBodyBytes = Update::MaxSignatureFileBytes;
    request.options.refuseHttpErrors = true;
    request.options.stayOnHost = true;
    StartFetch(request, m_downloadTicket, [this, download](const Quotes::FetchResult& signature) {
        if (m_download == download)
            SignatureArrived(download, signature);
    });
}

void TVersionsForm::SignatureArrived(const DownloadPointer& download, const Quotes::FetchResult& fetched)
{
    // Too long is kept as it is, and found malformed; a fetch that failed brought no signature.
    const bool arrived =
        fetched.ending == Quotes::FetchEnding::Complete || fetched.ending == Quotes::FetchEnding::TooLong;
    const std::string signature = arrived ? fetched.body : std::string();
    Update::VerifiedInstaller checked = Update::VerifyInstaller(download->folder, download->name, signature,
                                                                Expectation(), Update::StartFrom::Installer);
    checked.held.Close();
    if (checked.check != Update::SignatureCheck::Valid) {
        download->Remove();
        if (checked.check == Update::SignatureCheck::Unreadable)
            AddWriteFailureLine(download->path);
        else
            AddSignatureLine(checked.check);
        EndDownload(false);
        return;
    }
    InstallerSignature = signature;
    EndDownload(true);
}

void TVersionsForm::CancelDownload()
{
    if (!m_download)
        return;
    m_fetcher->Cancel(m_downloadTicket);
    m_downloadTicket = Quotes::NoFetch;
    m_download->Abandon(false);
    ShowProgress(*m_download);
    EndDownload(false);
}

void TVersionsForm::EndDownload(bool ready)
{
    const DownloadPointer download = std::move(m_download);
    m_download = nullptr;
    m_mainWindowWatch.stop();
    if (download->done)
        download->done(ready);
    emit downloadEnded(ready);
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
            ? Update::VerifyInstaller(folder, DownloadName, InstallerSignature, Expectation())
            : Update::VerifiedInstaller{};
    if (state == Update::Files::FolderState::Refused ||
        (installer.check != Update::SignatureCheck::Valid &&
         installer.check != Update::SignatureCheck::Unreadable)) {
        if (state == Update::Files::FolderState::Refused) {
            AddFolderRefusedLine(folder);
        } else {
            Update::Files::Remove(folder, DownloadName);
            AddSignatureLine(installer.check);
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
    const bool started = installer.check == Update::SignatureCheck::Valid && StartProgram &&
                         StartProgram(PathFromText(installer.program), arguments);
    if (!started) {
        // InstallerReady stays set: the next click tries again with the same file.
        Update::DiscardStart(installer);
        AddLine(SayText(Text::InstallationFailed));
        return;
    }
    installer.held.Close();
    AddLine(SayText(Text::InstallationOf) + displayName + SayText(Text::InstallationStartedEnd));
    EndCompanionProgram();
    if (QuitProgram)
        QuitProgram();
}

void TVersionsForm::EndCompanionProgram()
{
    const std::string companion = Update::CompanionProgramPath(StartFolder, ProductName);
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
