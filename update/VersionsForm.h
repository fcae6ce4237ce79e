#pragma once
// The update window: announces a newer version, downloads its installer and starts it.
// It never waits for the network: the version list, the installer and its signature are
// fetched through the fetcher and handled in their continuations.

#include "quotes/BackgroundFetcher.h"
#include "support/SystemFacts.h"
#include "support/Texts.h"
#include "update/InstallerDownload.h"
#include "update/InstallerSignature.h"
#include "update/ProcessFinder.h"
#include "update/VersionList.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QPlainTextEdit;
class QPushButton;
class TGauge;

namespace Update {

// What the update window is handed when the program starts.
struct VersionsFormSetup
{
    Support::Language language = Support::Language::English;
    std::string dataFolder;  // the per-user data folder, with its final separator
    std::string startFolder; // the current folder at start-up, with its final separator
    std::string makerSite;   // the maker's web site root, ending in "/": versions.dat and installers
    // The key an installer's signature must verify against.
    PublicKey key = ReleaseKey;
    // Fetches the version list, the installer and its signature; it must outlive the window.
    // The installer's pieces may be handed over on another thread (the file is written there).
    // Empty: a background fetcher of the window's own.
    Quotes::Fetcher* fetcher = nullptr;
    // Ends the program the normal way (the program closes its main window, which saves the
    // settings and the history). Empty: the application quits.
    std::function<void()> quitProgram;
    // False once the main window has closed: a running download then stops. Empty: always open.
    std::function<bool()> mainWindowOpen;
    // The running process whose executable is `path`. Empty: the window uses a finder of its own.
    std::function<ProcessHandle(const std::string& path)> findProcess;
    // Starts the checked installer: on Linux a copy of the checked bytes, on Windows the file
    // itself, held open with writes denied until this returns. Empty: started directly, with
    // no shell in between.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
};

} // namespace Update

class TVersionsForm : public QWidget
{
    Q_OBJECT
public:
    explicit TVersionsForm(Update::VersionsFormSetup setup, QWidget* parent = nullptr);
    // A fetch still running is cancelled and a partial installer removed.
    ~TVersionsForm() override;

    // ---- Components ----
    QPlainTextEdit* Memo1 = nullptr;
    QWidget* Panel1 = nullptr;
    TGauge* Gauge1 = nullptr;
    QPushButton* DownloadBtn = nullptr;
    QPushButton* ExitBtn = nullptr;

    // ---- Values of the update ----
    std::string ProductName;
    std::string VersionText;
    std::string DownloadName;
    std::string DownloadBase;
    std::int32_t DownloadSizeKB = 0;
    bool InstallerReady = false;

    // ---- Handlers and operations ----
    // Starts reading the version list and returns; when it arrives, the window is shown only
    // when a newer version is listed (versionChecked follows). Ignored while a check or a
    // download runs.
    void CheckForUpdate(const std::string& productName, const std::string& versionText);
    void DownloadBtnClick();
    void ExitBtnClick();
    // Starts the download of the installer and returns; downloadEnded follows with true when
    // the installer arrived whole (at least one kilobyte, within its listed size) and its
    // signature verifies: the file then lies in DownloadFolder() and the window offers to
    // install it. Otherwise the file is gone and a line says why; a cancelled download says
    // nothing. Ignored while a download runs.
    void DownloadInstaller(const std::string& name, const std::string& base);
    // Ends a running download at once: the fetch is cancelled and the partial file removed.
    void CancelDownload();
    void StartInstaller();
    // The installer `name` lies checked in the download folder with `signature`, its signature
    // file, against which it is checked again right before its start.
    void InstallerDownloaded(const std::string& name, std::string signature);

    // The download folder: the data folder + "Temp/"; empty without a data folder.
    std::string DownloadFolder() const;
    bool Checking() const { return m_checking; }
    bool Downloading() const { return m_download.Running(); }
    std::int32_t ReceivedKB() const { return m_receivedKB; }
    QStringList Lines() const;
    // Attempts of the last termination of the companion program.
    int TerminationRounds() const { return m_terminationRounds; }

    // The companion program is searched for and ended at most this often.
    static constexpr int MaxTerminationRounds = 10;
    // While a download runs, whether the main window is still open is asked this often (and
    // whenever progress arrives).
    static constexpr int MainWindowWatchMs = 100;

signals:
    // The version list was read and its result applied (not after a cancelled check).
    void versionChecked(Update::VersionCheckResult result);
    // A download started by DownloadInstaller has ended; its lines and buttons are in place.
    void downloadEnded(bool ready);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    QString Say(Support::Text text) const;
    std::string SayText(Support::Text text) const;
    void ClearLines();
    void AddLine(const std::string& line);
    void AddLineText(const QString& line);
    void AddWriteFailureLine(const std::string& path);
    void AddSignatureLine(Update::SignatureCheck check, const std::string& name);
    void AddFolderRefusedLine(const std::string& folder);
    Update::InstallerExpectation Expectation() const;
    void EndCompanionProgram();

    // Starts a fetch; its ticket stays in `ticket` until the continuation runs.
    void StartFetch(const Quotes::FetchRequest& request, Quotes::FetchTicket& ticket,
                    Quotes::FetchContinuation done);
    void ApplyVersionCheck(const Update::VersionCheck& check);
    void CancelCheck();
    void ProgressArrived(int receivedKB);
    void DownloadFinished(const Update::DownloadResult& result);
    void WatchMainWindow();

    Support::Language m_language;
    std::string m_dataFolder;
    std::string m_startFolder;
    std::string m_makerSite;
    Update::PublicKey m_key;
    std::function<void()> m_quitProgram;
    std::function<bool(const QString& program, const QStringList& arguments)> m_startProgram;
    std::function<bool()> m_mainWindowOpen;
    std::function<Update::ProcessHandle(const std::string& path)> m_findProcess;
    Quotes::BackgroundFetcher m_ownFetcher;
    Quotes::Fetcher* m_fetcher = nullptr;
    QStringList m_lines;
    bool m_checking = false;
    Quotes::FetchTicket m_checkTicket = Quotes::NoFetch;
    Update::InstallerDownload m_download;
    std::string m_downloadName; // the running or the last download's
    std::int32_t m_receivedKB = 0;
    // The downloaded installer's signature file, checked again right before the start.
    std::string m_installerSignature;
    QTimer m_mainWindowWatch;
    int m_terminationRounds = 0;
};
