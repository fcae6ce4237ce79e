// The developer's trace: the switch, the log file, the line format and the bracketing of
// operations. The main window's bracketed operations are checked beside the main window
// (tests/app/tst_mainformtrace.cpp).

#include "support/Clock.h"
#include "support/Regional.h"
#include "support/Trace.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <stdexcept>

using namespace Support;

namespace {

QString LogPath()
{
    return QString::fromLocal8Bit(TraceFolder()) + QStringLiteral("Koerszicht.log");
}
} // namespace

class TestTrace : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    QString m_startFolder;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_startFolder = QDir::currentPath();
    }

    void init()
    {
        TestSupport::ResetUserFolders();
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(m_folder.path());
        SetTraceFolder((m_folder.path() + QLatin1Char('/')).toLocal8Bit().toStdString());
        TraceOn = false;
        TraceDepth = 0;
        SetRegional(RegionalSettings::Dutch());
        Clock::Set(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)));
    }

    void cleanup()
    {
        TraceOn = false;
        TraceDepth = 0;
        SetTraceFolder({});
        QDir::setCurrent(m_startFolder);
        Clock::Reset();
    }

    void switchedOffTouchesNothing_data()
    {
        QTest::addColumn<bool>("logExists");
        QTest::newRow("no log yet") << false;
        QTest::newRow("log of an earlier run") << true;
    }

    void switchedOffTouchesNothing()
    {
        QFETCH(bool, logExists);
        const QByteArray earlier = "1-3-2026 9:00:00 - MainForm.ReadAEX - begin\r\n";
        if (logExists)
            QVERIFY(TestSupport::WriteFile(LogPath(), earlier));
        const QDateTime before = QFileInfo(LogPath()).lastModified();

        WriteTrace("MainForm.FormPaint - begin");
        {
            TraceScope scope("MainForm.DrawGraph");
            WriteTrace("inside");
        }

        QCOMPARE(QFileInfo::exists(LogPath()), logExists);
        if (logExists) {
            QCOMPARE(TestSupport::ReadFile(LogPath()), earlier);
            QCOMPARE(QFileInfo(LogPath()).lastModified(), before);
        }
        QCOMPARE(int(TraceDepth), 0);
    }

    void lineFormat_data()
    {
        QTest::addColumn<bool>("dutch");
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<int>("depth");
        QTest::addColumn<QByteArray>("expected");
        const QDateTime afternoon(QDate(2026, 3, 5), QTime(14, 7, 9));
        QTest::newRow("depth 0: the message follows the separator")
            << true << afternoon << 0 << QByteArray("5-3-2026 14:07:09 - Bericht\r\n");
        QTest::newRow("depth 2: two blanks before the message")
            << true << afternoon << 2 << QByteArray("5-3-2026 14:07:09 -   Bericht\r\n");
        QTest::newRow("English date and time")
            << false << afternoon << 1 << QByteArray("3/5/2026 2:07:09 PM -  Bericht\r\n");
        QTest::newRow("exactly midnight: no time part") << true << QDateTime(QDate(2026, 12, 31), QTime(0, 0))
                                                        << 0 << QByteArray("31-12-2026 - Bericht\r\n");
        QTest::newRow("one millisecond past midnight keeps the time")
            << true << QDateTime(QDate(2026, 12, 31), QTime(0, 0, 0, 1)) << 0
            << QByteArray("31-12-2026 0:00:00 - Bericht\r\n");
    }

    void lineFormat()
    {
        QFETCH(bool, dutch);
        QFETCH(QDateTime, moment);
        QFETCH(int, depth);
        QFETCH(QByteArray, expected);
        SetRegional(dutch ? RegionalSettings::Dutch() : RegionalSettings::English());
        Clock::Set(moment);
        TraceOn = true;
        TraceDepth = std::uint8_t(depth);

        WriteTrace("Bericht");

        QCOMPARE(TestSupport::ReadFile(LogPath()), expected);
    }

    void firstLineCreatesTheFileLaterLinesAppend()
    {
        TraceOn = true;
        WriteTrace("een");
        QCOMPARE(TestSupport::ReadFile(LogPath()), QByteArray("5-3-2026 14:07:09 - een\r\n"));
        Clock::Advance(1000);
        WriteTrace("twee");
        QCOMPARE(TestSupport::ReadFile(LogPath()),
                 QByteArray("5-3-2026 14:07:09 - een\r\n5-3-2026 14:07:10 - twee\r\n"));
    }

    void appendsToTheLogOfAnEarlierRun()
    {
        const QByteArray earlier = "1-3-2026 9:00:00 - MainForm.Create - begin\r\n"
                                   "1-3-2026 9:00:01 - MainForm.Create - einde\r\n";
        QVERIFY(TestSupport::WriteFile(LogPath(), earlier));
        TraceOn = true;
        WriteTrace("MainForm.FormResize - begin");
        QCOMPARE(TestSupport::ReadFile(LogPath()),
                 earlier + "5-3-2026 14:07:09 - MainForm.FormResize - begin\r\n");
    }

    void emptyTraceFolderWritesInTheCurrentFolder()
    {
        QTemporaryDir current;
        QVERIFY(current.isValid());
        QVERIFY(QDir::setCurrent(current.path()));
        SetTraceFolder({});
        TraceOn = true;
        WriteTrace("vroeg");
        QCOMPARE(TestSupport::ReadFile(current.filePath(QStringLiteral("Koerszicht.log"))),
                 QByteArray("5-3-2026 14:07:09 - vroeg\r\n"));
    }

    void unwritableLogLosesTheLineOnly_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("folder does not exist") << QStringLiteral("/missing/folder/");
        QTest::newRow("log name is a folder") << QStringLiteral("logfolder");
    }

    void unwritableLogLosesTheLineOnly()
    {
        QFETCH(QString, folder);
        const std::string good = TraceFolder();
        if (folder == QLatin1String("logfolder"))
            QVERIFY(QDir().mkpath(LogPath()));
        else
            SetTraceFolder(folder.toStdString());
        TraceOn = true;
        {
            TraceScope scope("MainForm.ReadAEX");
            WriteTrace("verloren");
        }
        QCOMPARE(int(TraceDepth), 0);

        // The next call tries again from the start.
        QDir(QString::fromStdString(good)).removeRecursively();
        QDir().mkpath(QString::fromStdString(good));
        SetTraceFolder(good);
        WriteTrace("terug");
        QCOMPARE(TestSupport::ReadFile(LogPath()), QByteArray("5-3-2026 14:07:09 - terug\r\n"));
    }

    void bracketsIndentNestedOperations()
    {
        TraceOn = true;
        {
            TraceScope outer("MainForm.FormPaint");
            {
                TraceScope inner("MainForm.DrawGraph");
                QCOMPARE(int(TraceDepth), 2);
            }
        }
        QCOMPARE(int(TraceDepth), 0);
        QCOMPARE(TestSupport::ReadFile(LogPath()),
                 QByteArray("5-3-2026 14:07:09 - MainForm.FormPaint - begin\r\n"
                            "5-3-2026 14:07:09 -  MainForm.DrawGraph - begin\r\n"
                            "5-3-2026 14:07:09 -  MainForm.DrawGraph - einde\r\n"
                            "5-3-2026 14:07:09 - MainForm.FormPaint - einde\r\n"));
    }

    // A bracket opens a level only when the trace is on and the level is below its top (8 bits:
    // it never wraps to no indent), and closes only the level it opened.
    void bracketRestoresTheDepth_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("onAtBegin");
        QTest::addColumn<bool>("onAtEnd");
        QTest::addColumn<bool>("throws");
        QTest::newRow("left by an error") << 3 << true << true << true;
        QTest::newRow("switched off inside") << 3 << true << false << false;
        QTest::newRow("switched on inside") << 3 << false << true << false;
        QTest::newRow("off throughout, left by an error") << 3 << false << false << true;
        QTest::newRow("at the top of the depth") << 255 << true << true << false;
    }

    void bracketRestoresTheDepth()
    {
        QFETCH(int, depth);
        QFETCH(bool, onAtBegin);
        QFETCH(bool, onAtEnd);
        QFETCH(bool, throws);
        TraceOn = onAtBegin;
        TraceDepth = std::uint8_t(depth);
        try {
            TraceScope scope("MainForm.ReadAEX");
            QCOMPARE(int(TraceDepth), onAtBegin ? std::min(depth + 1, 255) : depth);
            TraceOn = onAtEnd;
            if (throws)
                throw std::runtime_error("kapot bestand");
        } catch (const std::runtime_error&) {
        }
        QCOMPARE(int(TraceDepth), depth);
    }
};

QTEST_MAIN(TestTrace)
#include "tst_trace.moc"
