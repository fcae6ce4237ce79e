#include "app/Application.h"

#include "app/AppIcon.h"

#include "app/Forms.h"
#include "app/MainForm.h"
#include "app/SignalCloser.h"
#include "support/Product.h"
#include "support/SystemInfo.h"
#include "support/Trace.h"
#include "update/DownloadLeftovers.h"

#include <QApplication>
#include <QIcon>

int RunKoerszicht(QApplication& application)
{
    Support::GatherSystemFacts();
    QApplication::setApplicationName(Support::ProductName);
    QApplication::setOrganizationName(Support::ProductName);
    QApplication::setWindowIcon(AppIcon());
    QApplication::setDesktopFileName(QStringLiteral("koerszicht"));
    // Closing the main window ends the program, whatever other window is open.
    QApplication::setQuitOnLastWindowClosed(false);

    TMainForm mainForm;
    Forms::MainForm = &mainForm;
    TMessageForm messageForm;
    Forms::MessageForm = &messageForm;
    TVersionsForm versionsForm;
    Forms::VersionsForm = &versionsForm;
    // An installer started by an earlier run has done its work; the main window has set the data folder.
    for (const QString& leftover :
         Update::RemoveDownloadLeftovers(QString::fromLocal8Bit(versionsForm.DownloadFolder())))
        Support::WriteTrace("Application - uit de downloadmap verwijderd: " +
                            leftover.toLocal8Bit().toStdString());
    TTerminateForm terminateForm;
    Forms::TerminateForm = &terminateForm;
    TAboutForm aboutForm(&mainForm);
    Forms::AboutForm = &aboutForm;

    SignalCloser closer(&mainForm, [&mainForm] { mainForm.CloseUnattended(); });
    mainForm.show();
    const int result = application.exec();

    Forms::AboutForm = nullptr;
    Forms::TerminateForm = nullptr;
    Forms::VersionsForm = nullptr;
    Forms::MessageForm = nullptr;
    Forms::MainForm = nullptr;
    return result;
}
