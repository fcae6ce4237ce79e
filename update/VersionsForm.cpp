#include "update/VersionsForm.h"

#include "quotes/HttpClient.h"
#include "support/Product.h"
#include "support/ScreenPlacement.h"
#include "update/Gauge.h"
#include "update/Installer.h"
#include "update/TerminateForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
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

// Keeps a flag set for the duration of a scope.
class FlagScope
{
public:
    explicit FlagScope(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagScope() { m_flag = false; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
};
} // namespace

using Support::Text;

TVersionsForm::TVersionsForm(Update::VersionsFormSetup setup, QWidget* parent)
    : QWidget(parent), ProductName(Support::ProductName), VersionText(Support::VersionText),
      StartFolder(std::move(setup.startFolder)), FetchList(std::move(setup.fetchList)),
      QuitProgram(std::move(setup.quitProgram)), m_language(setup.language),
      m_dataFolder(std::move(setup.dataFolder)), m_makerSite(std::move(setup.makerSite)),
      m_mainWindowOpen(std::move(setup.mainWindowOpen)), m_findProcess(std::move(setup.findProcess)),
      m_fetcher(setup.fetcher ? setup.fetcher : &m_ownFetcher)
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
    else
        AddLine(SayText(Text::SignatureOf) + DownloadName + SayText(Text::SignatureInvalidEnd));
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
    // Closing the window stops a running download; the partial file is removed.
    if (m_downloading)
        m_cancelRequested = true;
    QWidget::closeEvent(event);
}

void TVersionsForm::CheckForUpdate(const std::string& productName, const std::string& versionText)
{
    ProductName = productName.substr(0, MaxArgumentLength);
    VersionText = versionText.substr(0, MaxArgumentLength);
    const std::string& siteRoot = m_makerSite;
    const Update::VersionCheck check = Update::ReadVersionList(ProductName, VersionText, siteRoot, FetchList);

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
    // A click while a download runs would start a second download inside the first.
    if (m_downloading)
        return;
    if (!DownloadInstaller(DownloadName, DownloadBase))
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
}

void TVersionsForm::ExitBtnClick()
{
    // During a download the button still says "Download Later": closing stops the download and
    // removes the partial file (closeEvent).
    if (InstallerReady && !m_downloading)
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

bool TVersionsForm::DownloadInstaller(const std::string& name, const std::string& base)
{
    const FlagScope downloading(m_downloading);
    m_cancelRequested = false;
    Gauge1->show();
    Gauge1->SetRange(0, DownloadSizeKB);
    Gauge1->SetProgress(0);
    ReceivedKB = 0;
    InstallerSignature.clear();
    const std::string failed = SayText(Text::DownloadOf) + name + SayText(Text::DownloadFailedEnd);
    if (!Update::IsSafeFileName(name)) {
        AddLine(failed);
        return false;
    }

    const std::string folder = DownloadFolder();
    if (folder.empty()) {
        AddWriteFailureLine(name);
        return false;
    }
    QFile::remove(PathFromText(folder + Update::EarlierInstallerName(ProductName, VersionText)));
    QFile::remove(PathFromText(folder + name));
    QDir().mkpath(PathFromText(folder));

    const std::string path = folder + name;
    QFile file(PathFromText(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        AddWriteFailureLine(path);
        return false;
    }
    // The name comes from the network: characters such as '#', '?' or a blank must not change the address.
    const std::string address = base + QUrl::toPercentEncoding(FromText(name)).toStdString();
    const StreamResult result = DownloadToStream(file, address);
    file.close();
    // An incomplete file is never offered as the installer.
    if (ReceivedKB < 1 || result != StreamResult::Finished) {
        file.remove();
        if (result == StreamResult::WriteFailed)
            AddWriteFailureLine(path);
        else if (result != StreamResult::Cancelled)
            AddLine(failed);
        return false;
    }

    // Only a file signed with the release key may be started.
    const std::string signature = FetchSignature(address + ".sig");
    const Update::SignatureCheck check = Update::CheckFileSignature(file.fileName(), signature, InstallerKey);
    if (check != Update::SignatureCheck::Valid) {
        file.remove();
        AddSignatureLine(check);
        return false;
    }
    InstallerSignature = signature;
    return true;
}

Quotes::FetchResult TVersionsForm::FetchNow(const std::string& address,
                                            const Quotes::DownloadOptions& options)
{
    Quotes::FetchResult result;
    m_fetcher->Fetch({address, Quotes::INTERNET_OPEN_TYPE_DIRECT, options},
                     [&result](const Quotes::FetchResult& fetched) { result = fetched; });
    return result;
}

std::string TVersionsForm::FetchSignature(const std::string& address)
{
    Quotes::DownloadOptions options;
    options.attempts = 1; // as the installer's own download
    options.cutPiecesAtZero = false;
    options.maxBodyBytes = Update::MaxSignatureFileBytes;
    options.refuseHttpErrors = true;
    options.stayOnHost = true;
    const Quotes::FetchResult fetched = FetchNow(address, options);
    // Too long is kept as it is, and found malformed; a fetch that failed brought no signature.
    if (fetched.ending == Quotes::FetchEnding::Complete || fetched.ending == Quotes::FetchEnding::TooLong)
        return fetched.body;
    return {};
}

bool TVersionsForm::DownloadCancelled() const
{
    return m_cancelRequested || (m_mainWindowOpen && !m_mainWindowOpen());
}

TVersionsForm::StreamResult TVersionsForm::DownloadToStream(QIODevice& stream, const std::string& address)
{
    ReceivedKB = 0;
    StreamResult result = StreamResult::Finished;
    Quotes::DownloadOptions options;
    options.attempts = 1;
    options.cutPiecesAtZero = false;
    options.keepBody = false;
    options.maxBodyBytes = static_cast<std::size_t>(Update::MaxInstallerBytes(DownloadSizeKB));
    options.refuseHttpErrors = true;
    options.stayOnHost = true;
    // Every piece is one read of at most 2048 bytes; only the last one may be shorter.
    options.onPiece = [&](std::string_view read) {
        if (stream.write(read.data(), static_cast<qint64>(read.size())) != static_cast<qint64>(read.size())) {
            result = StreamResult::WriteFailed;
            return false;
        }
        const std::int64_t counted = std::int64_t{ReceivedKB} + Update::CountedKB(read.size());
        ReceivedKB = static_cast<std::int32_t>(std::min<std::int64_t>(counted, MaxKB));
        Gauge1->SetProgress(static_cast<int>(std::min<std::int64_t>(std::int64_t{ReceivedKB} + 1, MaxKB)));
        QCoreApplication::processEvents();
        if (DownloadCancelled()) {
            result = StreamResult::Cancelled;
            return false;
        }
        return true;
    };
    const Quotes::FetchResult fetched = FetchNow(address, options);
    if (result == StreamResult::Finished && fetched.ending != Quotes::FetchEnding::Complete)
        result = StreamResult::Failed;
    return result;
}

void TVersionsForm::StartInstaller()
{
    const std::string displayName = Update::InstallerDisplayName(DownloadName);
    AddLine("");
    AddLine(SayText(Text::InstallationOf) + displayName + SayText(Text::InstallationStartingEnd));

    const QString installer = PathFromText(DownloadFolder() + DownloadName);
    // Checked again: the file may have been changed since its download.
    if (Update::IsSafeFileName(DownloadName)) {
        const Update::SignatureCheck check =
            Update::CheckFileSignature(installer, InstallerSignature, InstallerKey);
        if (check != Update::SignatureCheck::Valid) {
            QFile::remove(installer);
            InstallerReady = false;
            AddSignatureLine(check);
            // Back to the offer: a new download may bring a good file.
            DownloadBtn->show();
            ExitBtn->setText(Say(Text::DownloadLaterButton));
            return;
        }
    }
#ifndef Q_OS_WIN
    QFile::setPermissions(installer, QFile::permissions(installer) | QFile::ReadOwner | QFile::ExeOwner);
#endif
    QStringList arguments;
    for (const std::string& argument : Update::InstallerArguments())
        arguments.append(FromText(argument));
    if (!Update::IsSafeFileName(DownloadName) || !StartProgram || !StartProgram(installer, arguments)) {
        // InstallerReady stays set: the next click tries again with the same file.
        AddLine(SayText(Text::InstallationFailed));
        return;
    }
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
