// The built program, started on the starter history with fresh user folders and no network,
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
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        QTemporaryDir start;
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QVERIFY(TestSupport::WriteFile(start.path() + "/AEX.dat", starter));
        const QString history = TestSupport::DataFolder() + "AEX.dat";

        QProcess program;
        program.setWorkingDirectory(start.path());
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
