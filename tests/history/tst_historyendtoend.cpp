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
        const QDate firstDay = QDate::currentDate();
        QProcess program;
        QVERIFY(TestSupport::StartWithStarterHistory(program, start.path()));
        const QString history = TestSupport::DataFolder() + "AEX.dat";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(history), 20000); // the first-run copy
        QTest::qWait(3000);
        QCOMPARE(program.state(), QProcess::Running);
        QVERIFY(TestSupport::ClosedNormally(program)); // SIGTERM

        // Written as the session writes it (a line a day, CR LF: tst_sessionhistory::loadAndClose,
        // row "the shipped history").
        const EntryList before = FileLines(TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat"));
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
