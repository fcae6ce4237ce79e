#pragma once
// The main window as the program builds it, for window tests: the facts of the test run, the
// settings, a session over the given fetcher and the window (created, not shown), with the
// answers to the fetches of loading delivered (those held back stay held).

#include "app/MainForm.h"
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/SystemFacts.h"
#include "testsupport/ScriptedFetcher.h"

namespace TestSupport {

class MainFormRig
{
public:
    // The window loads the history at once: script the fetcher before.
    explicit MainFormRig(ScriptedFetcher& fetcher, Support::Language language = Support::Language::Dutch,
                         MainFormLinks links = {});

    Support::SystemFacts facts;
    ProgramSettings settings;
    Session session;
    TMainForm form;
};

// The same over a fetcher of its own, which has no connection.
struct MainWindow
{
    explicit MainWindow(Support::Language language = Support::Language::Dutch) : rig(fetcher, language) {}
    ScriptedFetcher fetcher;
    MainFormRig rig;
    TMainForm& form = rig.form;
};

} // namespace TestSupport
