#pragma once
// Helpers shared by the tests: fresh user folders, files, the source tree and the built program.

#include "support/SystemFacts.h"

#include <QByteArray>
#include <QDateTime>
#include <QProcess>
#include <QSettings>
#include <QString>
#include <QVariantMap>

namespace TestSupport {

// Empties $XDG_CONFIG_HOME and $XDG_DATA_HOME (set per test by CTest) and creates them again,
// and on Windows the program's data folder and registry key; the settings then name only the
// quote page and the list as sources.
void ResetUserFolders();
QString ConfigHome();
QString DataHome();
// The data folder of the program: $XDG_DATA_HOME/Koerszicht/; on Windows the one derived from
// the Desktop folder of the wine prefix the tests run in.
QString DataFolder();
QString IniPath();
// The test's settings file as it is on disk (on Windows the registry key), and values put into
// its group "Defaults".
QSettings IniFile();
void StoreDefaults(const QVariantMap& values);
// The facts a test run has: its data folder (created), the source tree's data as the program's
// folder, and `language`.
Support::SystemFacts Facts(Support::Language language = Support::Language::Dutch);

// Points the three sites of [Sources] at a loopback port where nothing listens, so that a
// window under test fails its fetches at once instead of asking the network.
void PointSourcesNowhere();

QString SourceDir();
QString ProgramPath();
// The program with the test pauses (tests/testprogram/main.cpp).
QString TestProgramPath();
// A small program that runs until it is ended (a minute at most): /bin/sleep here, the tests'
// own helper on Windows, which also stands in for an installer there.
QString HelperProgramPath();

// The program's clock from `start` on, `speed` times as fast as the real one, set in the
// environment `program` starts with.
void SetProgramClock(QProcess& program, const QDateTime& start, int speed);
// Starts `path` (the shipped program unless given) in `folder`, its errors on the test's; the
// second with a copy of the shipped starter history there.
bool StartProgram(QProcess& program, const QString& folder, const QString& path = ProgramPath());
bool StartWithStarterHistory(QProcess& program, const QString& folder, const QString& path = ProgramPath());
// Asks `program` to end as a desktop session does (SIGTERM; WM_CLOSE on Windows): it closes
// the normal way.
bool ClosedNormally(QProcess& program);

// Settings as a user writes them by hand: `text` in the form of the INI file ("[Group]" and
// "key=value" lines), which is the settings file here; on Windows each value goes into the
// registry as the text after "=", as typed into the registry editor.
bool WriteHandEditedSettings(const QByteArray& text);

QByteArray ReadFile(const QString& path);
bool WriteFile(const QString& path, const QByteArray& contents);

} // namespace TestSupport
