#pragma once
// The update window: announces a newer version, downloads its installer and starts it.

#include "support/SystemFacts.h"
#include "support/Texts.h"
#include "update/InstallerSignature.h"
#include "update/ProcessFinder.h"
#include "update/VersionList.h"

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>

class QIODevice;
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
    Fetcher fetchList = FetchVersionList;
    // Fetches the installer and its signature. Empty: a blocking fetcher of the window's own.
    // The window waits for each result: the fetcher must answer before it returns.
    Quotes::Fetcher* fetcher = nullptr;
    // Ends the program the normal way (the program closes its main window, which saves the
    // settings and the history). Empty: the application quits.
    std::function<void()> quitProgram;
    // False once the main window has closed: a running download then stops. Empty: always open.
    std::function<bool()> mainWindowOpen;
    // The running process whose executable is `path`. Empty: the window uses a finder of its own.
    std::function<ProcessHandle(const std::string& path)> findProcess;
};

} // namespace Update

class TVersionsForm : public QWidget
{
    Q_OBJECT
public:
    explicit TVersionsForm(Update::VersionsFormSetup setup, QWidget* parent = nullptr);

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
    std::int32_t ReceivedKB = 0;
    bool InstallerReady = false;
    // The downloaded installer's signature, checked again right before the start.
    std::string InstallerSignature;
    // The key an installer's signature must verify against; tests put a key of their own here.
    Update::PublicKey InstallerKey = Update::ReleaseKey;
    std::string StartFolder; // the current directory at start-up, with a final separator

    // ---- Seams: the fetch of the version list, the start of a program, the quit ----
    Update::Fetcher FetchList;
    std::function<bool(const QString& program, const QStringList& arguments)> StartProgram;
    std::function<void()> QuitProgram;
    std::function<bool()> MainWindowOpen;
    const class TTerminateForm* Finder = nullptr;
    std::string MakerSite;

    // ---- Handlers and operations ----
    // Reads the version list and shows the window only when a newer version is listed.
    void CheckForUpdate(const std::string& productName, const std::string& versionText);
    void DownloadBtnClick();
    void ExitBtnClick();
    // True when the installer arrived whole (at least one kilobyte, within its listed size)
    // and its signature verifies; the file then lies in DownloadFolder(). Otherwise the file
    // is gone and a line says why (a cancelled download says nothing).
    bool DownloadInstaller(const std::string& name, const std::string& base);
    void StartInstaller();

    // How the last download through DownloadToStream ended.
    enum class StreamResult
    {
        Finished,
        WriteFailed,
        Cancelled,
        Failed // the answer did not arrive whole, was an error page, too long, or from another host
    };
    StreamResult DownloadToStream(QIODevice& stream, const std::string& address);

    // The download folder: the data folder + "Temp/"; empty without a data folder.
    std::string DownloadFolder() const;
    bool Downloading() const { return m_downloading; }
    QStringList Lines() const;
    // Attempts of the last termination of the companion program.
    int TerminationRounds() const { return m_terminationRounds; }

    // The companion program is searched for and ended at most this often.
    static constexpr int MaxTerminationRounds = 10;

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
    void AddSignatureLine(Update::SignatureCheck check);
    std::string FetchSignature(const std::string& address);
    void EndCompanionProgram();
    bool DownloadCancelled() const;

    Support::Language m_language;
    std::string m_dataFolder;
    std::string m_makerSite;
    std::function<bool()> m_mainWindowOpen;
    std::function<Update::ProcessHandle(const std::string& path)> m_findProcess;
    Quotes::FetchResult FetchNow(const std::string& address, const Quotes::DownloadOptions& options);
    Quotes::BlockingFetcher m_ownFetcher;
    Quotes::Fetcher* m_fetcher = nullptr;
    QStringList m_lines;
    bool m_downloading = false;
    bool m_cancelRequested = false;
    int m_terminationRounds = 0;
};
