// The built program, started on the starter history with its own user folders and no network,
// closed with SIGTERM: AEX.dat then holds every day of the starter file unchanged, and ends
// today.
#include "HistoryTestSupport.h"
#include "support/Clock.h"
#include "testsupport/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

using namespace History;

class HistoryEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void starterHistorySurvivesARun()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString start = home.path() + "/start";
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QVERIFY(TestSupport::WriteFile(start + "/AEX.dat", starter));
        // Every site on a closed local port: nothing leaves the machine.
        const QByteArray settings = "[Sources]\nQuoteSite=http://127.0.0.1:9/\n"
                                    "ClosingPricesSite=http://127.0.0.1:9/\nMakerSite=http://127.0.0.1:9/\n"
                                    "QuoteSources=page\nClosingPricesSources=list\n";
#ifdef Q_OS_WIN
        // The registry and the data folder beside the Desktop folder, of the tests' wine prefix.
        TestSupport::ResetUserFolders();
        QVERIFY(TestSupport::WriteHandEditedSettings(settings));
        const QString history = TestSupport::DataFolder() + "AEX.dat";
#else
        QVERIFY(TestSupport::WriteFile(home.path() + "/config/Koerszicht/Koerszicht.ini", settings));
        const QString history = home.path() + "/data/Koerszicht/AEX.dat";
#endif

        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_CONFIG_HOME", home.path() + "/config");
        environment.insert("XDG_DATA_HOME", home.path() + "/data");
        environment.insert("XDG_CACHE_HOME", home.path() + "/cache");
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(start);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        const QDate firstDay = QDate::currentDate();
        program.start(TestSupport::ProgramPath(), {});
        QVERIFY(program.waitForStarted());

        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(history), 20000); // the first-run copy
        QTest::qWait(3000);
        QCOMPARE(program.state(), QProcess::Running);
        program.terminate(); // SIGTERM
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        // Written as the session writes it (a line a day, CR LF: tst_sessionhistory::loadAndClose,
        // row "the shipped history").
        const EntryList before = FileLines(starter);
        const EntryList after = FileLines(TestSupport::ReadFile(history));
        QVERIFY(after.size() >= before.size());
        QCOMPARE(EntryList(after.begin(), after.begin() + before.size()), before); // the last ten included
        const int lastDay = EntryDay(after.back());
        QVERIFY(lastDay == Support::DayNumber(firstDay) ||
                lastDay == Support::DayNumber(QDate::currentDate()));
    }
};

QTEST_GUILESS_MAIN(HistoryEndToEndTest)
#include "tst_historyendtoend.moc"
