#include "app/Application.h"

#include "about/AboutForm.h"
#include "app/AppIcon.h"
#include "app/DesktopAlerts.h"
#include "app/FirstPaint.h"
#include "app/MainForm.h"
#include "app/SaveFailureBox.h"
#include "app/SignalCloser.h"
#include "app/StartupProbe.h"
#include "messform/MessageForm.h"
#include "quotes/BackgroundFetcher.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/InstanceLock.h"
#include "support/Product.h"
#include "support/SystemFacts.h"
#include "support/Texts.h"
#include "support/Trace.h"
#include "update/DownloadLeftovers.h"
#include "update/Installer.h"
#include "update/TerminateForm.h"
#include "update/VersionsForm.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <memory>
#include <utility>

namespace {
constexpr int HeldFetchesMs = 2000;
} // namespace

int RunKoerszicht(QApplication& application, RunOptions options)
{
    // A signal closes the program the normal way from the start on: before the main window
    // exists it ends the event loop (and any box shown), after that it closes the main window.
    TMainForm* closable = nullptr;
    SignalCloser closer(&application, [&closable] {
        if (closable) {
            closable->CloseUnattended();
            return;
        }
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    });

    // The facts of the system first, before any window exists.
    Support::Clock::PaceFromEnvironment();
    const Support::SystemFacts facts = Support::GatherSystemFacts(Support::ProductName);
    QApplication::setApplicationName(Support::ProductName);
    QApplication::setOrganizationName(Support::ProductName);
    // The window icon, painted in every size the window system takes when it is set: that waits
    // until the main window is on the screen (below), or for the one box shown before it.
    const QIcon icon = AppIcon();
    QApplication::setDesktopFileName(QStringLiteral("koerszicht"));

    // A second program on the same data folder would lose the first one's work: it says so and
    // ends without touching anything there.
    const Support::InstanceLock lock(facts.dataFolder);
    if (lock.OtherRunning()) {
        qWarning("Koerszicht is already running on %s; this start ends", facts.dataFolder.c_str());
        QApplication::setWindowIcon(icon);
        QMessageBox box(
            QMessageBox::Information, QString::fromLatin1(Support::ProductName),
            QString::fromLatin1(Support::TextFor(Support::Text::AlreadyRunning, Support::Language::Dutch)),
            QMessageBox::Ok);
        box.setObjectName(QStringLiteral("AlreadyRunningBox"));
        box.exec();
        return 0;
    }
    Support::SetTraceFolder(facts.dataFolder);
    // Closing the main window ends the program, whatever other window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    ProgramSettings settings;
    const Sources sources = settings.ReadSources();
    // Every fetch runs off the window's thread; the fetcher outlives everything that fetches.
    Quotes::BackgroundFetcher fetcher;
    // The first fetches wait until the window is on the screen (below).
    fetcher.Hold();
    Session session(facts, settings, fetcher);
    // So does the back-fill's copy of the history.
    session.HoldBackfill();
    // The history is read while the windows are made.
    session.PrefetchHistory();

    // The five windows; the main window reaches the others through its links. All but the main
    // window are made when first needed: nothing of them is on the way to the first shown window.
    std::unique_ptr<TMessageForm> message;
    std::unique_ptr<TVersionsForm> versions;
    std::unique_ptr<TTerminateForm> terminate;
    std::unique_ptr<TAboutForm> about;
    TMainForm* main = nullptr;
    MainFormLinks links;
    links.showAbout = [&about, &main, &facts, &sources] {
        if (!about)
            about = std::make_unique<TAboutForm>(facts.language, sources.makerSite, main);
        about->exec();
    };
    Update::VersionsFormSetup setup;
    setup.language = facts.language;
    setup.dataFolder = facts.dataFolder;
    setup.startFolder = facts.startFolder;
    setup.makerSite = sources.makerSite.toStdString();
    // Only an installer signed with the release key is ever started.
    setup.key = options.installerKey;
    setup.fetcher = &fetcher;
    // Closing the main window saves the settings and the history before the program quits.
    setup.quitProgram = [&main] { main->close(); };
    setup.mainWindowOpen = [&main] { return main->isVisible(); };
    setup.findProcess = [&terminate](const std::string& path) {
        if (!terminate)
            terminate = std::make_unique<TTerminateForm>();
        return terminate->FindProcess(path);
    };
    links.checkForUpdate = [&versions, &setup] {
        if (!versions)
            versions = std::make_unique<TVersionsForm>(setup);
        versions->CheckForUpdate(Support::ProductName, Support::VersionText);
    };
    links.showMessage = [&message](int top, int left, int height, int width, const std::string& text,
                                   int ms) {
        if (!message)
            message = std::make_unique<TMessageForm>();
        message->ShowMessageText(top, left, height, width, text, {}, ms);
    };
    TMainForm mainForm(session, links);
    main = &mainForm;
    // Trend-line alerts reach the user through the desktop, or a note in the window.
    DesktopAlerts alerts(mainForm, std::move(options.alertTap));
    session.SetAlertNotifier(&alerts);
    session.SetSaveFailureAsker(
        [&mainForm](const std::string& path) { return AskSaveFailureInBox(&mainForm, path); });

    closable = &mainForm;
    // Once the window is on the screen (or after a while, if it is not painted because it
    // started minimised): it takes its icon, the back-fill and the first fetches start, and the
    // download folder is cleared.
    bool shown = false;
    const auto afterShown = [&shown, &session, &fetcher, &facts, &icon] {
        if (std::exchange(shown, true))
            return;
        QApplication::setWindowIcon(icon);
        session.ReleaseBackfill();
        fetcher.Release();
        // An installer started by an earlier run has done its work.
        for (const QString& leftover : Update::RemoveDownloadLeftovers(
                 QString::fromLocal8Bit(Update::DownloadFolder(facts.dataFolder))))
            Support::WriteTrace("Application - uit de downloadmap verwijderd: " +
                                leftover.toLocal8Bit().toStdString());
    };
    AfterFirstPaint(mainForm, afterShown);
    QTimer::singleShot(HeldFetchesMs, &mainForm, afterShown);
    // Measured before the fetches start.
    ProbeStartup(mainForm, [&mainForm] { mainForm.close(); });
    mainForm.show();
    const int result = application.exec();
    closable = nullptr;
    session.SetAlertNotifier(nullptr);

    about.reset();
    versions.reset();
    terminate.reset();
    message.reset();
    return result;
}
