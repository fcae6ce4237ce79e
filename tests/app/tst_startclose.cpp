// The built program, started with empty user folders and closed the way a logout closes it.
#include "support/Clock.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;
Q_DECLARE_METATYPE(LoopbackReply)

class TestStartClose : public QObject
{
    Q_OBJECT
private:
    // Starts the program in `folder`, gives it time to come up, and sends `signal`.
    static int RunAndSignal(const QString& folder, int signal)
    {
        QProcess program;
        if (!TestSupport::StartProgram(program, folder))
            return -1;
        QTest::qWait(2500);
        ::kill(static_cast<pid_t>(program.processId()), signal);
        if (!program.waitForFinished(30000)) {
            program.kill();
            return -2;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -3;
    }

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
    }

    void signalsCloseNormally_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("download"); // the closes' source address; empty: the list's
        QTest::newRow("SIGTERM") << int(SIGTERM) << QString();
        QTest::newRow("SIGINT") << int(SIGINT) << QString();
        QTest::newRow("SIGHUP") << int(SIGHUP) << QString();
        // Such a format once kept the window from showing for a minute, and the signal killed it.
        QTest::newRow("SIGTERM, an address with a date format of a million letters")
            << int(SIGTERM) << "http://127.0.0.1:1/?from={first:" + QString(1000000, 'y') + "}";
    }
    void signalsCloseNormally()
    {
        QFETCH(int, signal);
        QFETCH(QString, download);
        if (!download.isEmpty()) {
            QSettings ini(TestSupport::IniPath(), QSettings::IniFormat);
            ini.setValue("Sources/ClosingPricesSources", "euronext-csv");
            ini.setValue("Source-euronext-csv/Url", download);
        }
        QTemporaryDir folder;
        // One day, ten months (301 days) before today.
        const QByteArray starter = QByteArray::number(Support::TodayDayNumber() - 301) + " - 1004,14\r\n";
        QVERIFY(TestSupport::WriteFile(folder.path() + "/AEX.dat", starter));

        QCOMPARE(RunAndSignal(folder.path(), signal), 0);

        QSettings ini(TestSupport::IniPath(), QSettings::IniFormat);
        for (const char* key :
             {"Defaults/Top", "Defaults/Left", "Defaults/Width", "Defaults/Height", "Defaults/Dagen",
              "Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
            QVERIFY2(ini.contains(key), key);
        // A first start whose history lies long before today shows more days.
        QCOMPARE(ini.value("Defaults/Dagen").toInt(), 515);
        QVERIFY(QFileInfo::exists(TestSupport::DataFolder() + "AEX.dat"));
    }

    void firstRunWithoutStarterHistory()
    {
        QTemporaryDir folder;
        QCOMPARE(RunAndSignal(folder.path(), SIGTERM), 0);
        QVERIFY(QFileInfo(TestSupport::DataFolder()).isDir());
        QVERIFY(QFileInfo::exists(TestSupport::IniPath()));
    }

    // An earlier run's files: its history is not replaced by the starter history, and the
    // installer it started, with its signature beside it, goes. (What else the download folder
    // may hold, and what of it stays: tst_downloadleftovers.)
    void startWithAnEarlierRunsFiles()
    {
        QTemporaryDir folder;
        QVERIFY(TestSupport::WriteFile(folder.path() + "/AEX.dat", "46062 - 1004,14\r\n"));
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat", "46061 - 999,03\r\n"));
        const QString temp = TestSupport::DataFolder() + "Temp/";
        QVERIFY(TestSupport::WriteFile(temp + "Koerszicht101.exe", "installer"));
        QVERIFY(TestSupport::WriteFile(temp + "Koerszicht101.exe.sig", "signature"));
        QCOMPARE(RunAndSignal(folder.path(), SIGTERM), 0);
        QVERIFY(
            TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").startsWith("46061 - 999,03\r\n"));
        QVERIFY(!QFileInfo::exists(temp + "Koerszicht101.exe"));
        QVERIFY(!QFileInfo::exists(temp + "Koerszicht101.exe.sig"));
    }

    // A logout while the closing-price list is on its way from a server that says nothing: the
    // window's thread is free, so the program closes at once, and saves its days.
    void signalDuringAStalledFetch_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::newRow("silent") << LoopbackReply::Silent();
        QTest::newRow("stall after the headers") << LoopbackReply::Stall("120607: 312.45\n", 4);
        QTest::newRow("one byte a second") << LoopbackReply::Trickling("120607: 312.45\n", 1000);
    }
    void signalDuringAStalledFetch()
    {
        QFETCH(LoopbackReply, reply);
        LoopbackServer site;
        site.Serve(reply);
        QSettings(TestSupport::IniPath(), QSettings::IniFormat)
            .setValue("Sources/ClosingPricesSite", site.Url());
        const int today = Support::TodayDayNumber();
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       QByteArray::number(today - 10) + " - 1004,14\r\n"));
        QTemporaryDir folder;
        QProcess program;
        QVERIFY(TestSupport::StartProgram(program, folder.path()));
        QTRY_COMPARE_WITH_TIMEOUT(site.RequestCount(), 1, 10000);
        QTest::qWait(300);

        QElapsedTimer clock;
        clock.start();
        ::kill(static_cast<pid_t>(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE_LT(clock.elapsed(), 1000); // from the signal to the end, with a fetch on its way
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The stored day, and every day after it up to today.
        const QList<QByteArray> lines =
            TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").split('\n');
        QVERIFY(lines.first().startsWith(QByteArray::number(today - 10) + " - 1004,14"));
        QCOMPARE(lines.size(), 12); // eleven lines and the empty text after the last
        QVERIFY(lines[10].startsWith(QByteArray::number(today) + " - "));
    }

    // A second start on the same data folder says so and ends on a signal, touching nothing
    // there; the first runs on and saves its work. A lock left by a program that died does not
    // keep a start from working.
    void secondStartRefused()
    {
        const QByteArray history = QByteArray::number(Support::TodayDayNumber() - 1) + " - 1004,14\r\n";
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat", history));
        // A lock file of a process that has ended, as a crash leaves it.
        QVERIFY(
            TestSupport::WriteFile(TestSupport::DataFolder() + "Koerszicht.lock", "999999\nkoerszicht\n"));
        QTemporaryDir folder;
        QProcess first;
        QVERIFY(TestSupport::StartProgram(first, folder.path()));
        QTest::qWait(2500);
        QCOMPARE(first.state(), QProcess::Running);
        const QDateTime written = QFileInfo(TestSupport::DataFolder() + "AEX.dat").lastModified();

        QProcess second;
        second.setWorkingDirectory(folder.path());
        second.start(TestSupport::ProgramPath(), {});
        QVERIFY(second.waitForStarted(10000));
        QByteArray said;
        QTRY_VERIFY2_WITH_TIMEOUT((said += second.readAllStandardError()).contains("already running"),
                                  said.constData(), 10000);
        QCOMPARE(second.state(), QProcess::Running); // its message waits for the user
        QVERIFY(TestSupport::ClosedNormally(second));
        QCOMPARE(QFileInfo(TestSupport::DataFolder() + "AEX.dat").lastModified(), written);

        QVERIFY(TestSupport::ClosedNormally(first));
        QVERIFY(TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").startsWith(history));
        QVERIFY(!QFileInfo::exists(TestSupport::DataFolder() + "Koerszicht.lock"));
    }
};

QTEST_GUILESS_MAIN(TestStartClose)
#include "tst_startclose.moc"
