#include "app/Application.h"

#include "about/AboutForm.h"
#include "app/AppIcon.h"
#include "app/MainForm.h"
#include "app/SaveFailureBox.h"
#include "app/SignalCloser.h"
#include "messform/MessageForm.h"
#include "quotes/BackgroundFetcher.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/SystemFacts.h"
#include "support/Trace.h"
#include "update/DownloadLeftovers.h"
#include "update/TerminateForm.h"
#include "update/VersionsForm.h"

#include <QApplication>
#include <QIcon>

int RunKoerszicht(QApplication& application)
{
    // The facts of the system first, before any window exists.
    Support::Clock::PaceFromEnvironment();
    const Support::SystemFacts facts = Support::GatherSystemFacts(Support::ProductName);
    Support::SetTraceFolder(facts.dataFolder);
    QApplication::setApplicationName(Support::ProductName);
    QApplication::setOrganizationName(Support::ProductName);
    QApplication::setWindowIcon(AppIcon());
    QApplication::setDesktopFileName(QStringLiteral("koerszicht"));
    // Closing the main window ends the program, whatever other window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    ProgramSettings settings;
    const Sources sources = settings.ReadSources();
    // Every fetch runs off the window's thread; the fetcher outlives everything that fetches.
    Quotes::BackgroundFetcher fetcher;
    Session session(facts, settings, fetcher);

    // The five windows, in their order; the main window reaches the others through its links.
    TMessageForm* message = nullptr;
    TVersionsForm* versions = nullptr;
    TTerminateForm* terminate = nullptr;
    TAboutForm* about = nullptr;
    MainFormLinks links;
    links.showAbout = [&about] {
        if (about)
            about->exec();
    };
    links.checkForUpdate = [&versions] {
        if (versions)
            versions->CheckForUpdate(Support::ProductName, Support::VersionText);
    };
    links.showMessage = [&message](int top, int left, int height, int width, const std::string& text,
                                   int ms) {
        if (message)
            message->ShowMessageText(top, left, height, width, text, {}, ms);
    };
    TMainForm mainForm(session, links);
    session.SetSaveFailureAsker(
        [&mainForm](const std::string& path) { return AskSaveFailureInBox(&mainForm, path); });

    TMessageForm messageForm;
    message = &messageForm;
    Update::VersionsFormSetup setup;
    setup.language = facts.language;
    setup.dataFolder = facts.dataFolder;
    setup.startFolder = facts.startFolder;
    setup.makerSite = sources.makerSite.toStdString();
    setup.fetcher = &fetcher;
    // Closing the main window saves the settings and the history before the program quits.
    setup.quitProgram = [&mainForm] { mainForm.close(); };
    setup.mainWindowOpen = [&mainForm] { return mainForm.isVisible(); };
    setup.findProcess = [&terminate](const std::string& path) {
        return terminate ? terminate->FindProcess(path) : Update::ProcessHandle();
    };
    TVersionsForm versionsForm(setup);
    versions = &versionsForm;
    // An installer started by an earlier run has done its work.
    for (const QString& leftover :
         Update::RemoveDownloadLeftovers(QString::fromLocal8Bit(versionsForm.DownloadFolder())))
        Support::WriteTrace("Application - uit de downloadmap verwijderd: " +
                            leftover.toLocal8Bit().toStdString());
    TTerminateForm terminateForm;
    terminate = &terminateForm;
    TAboutForm aboutForm(facts.language, sources.makerSite, &mainForm);
    about = &aboutForm;

    SignalCloser closer(&mainForm, [&mainForm] { mainForm.CloseUnattended(); });
    mainForm.show();
    const int result = application.exec();

    about = nullptr;
    terminate = nullptr;
    versions = nullptr;
    message = nullptr;
    return result;
}
