// Reading and writing AEX.dat.
#include "HistoryTestSupport.h"
#include "history/HistoryFile.h"
#include "history/SeriesModel.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <csignal>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace History;

class HistoryFileTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::string Path(const char* name = "AEX.dat") const
    {
        return (m_folder.path() + '/' + name).toStdString();
    }

    QByteArray Read(const char* name = "AEX.dat") const
    {
        return TestSupport::ReadFile(QString::fromStdString(Path(name)));
    }
    bool Write(const char* name, const QByteArray& content) const
    {
        return TestSupport::WriteFile(QString::fromStdString(Path(name)), content);
    }

    // What the history file held at each write pause.
    static inline QString pauseFolder;
    static inline std::vector<QByteArray> pauses;
    static void RecordPause() { pauses.push_back(TestSupport::ReadFile(pauseFolder + "/AEX.dat")); }

private slots:
    // A day entry's line, made and read only by the history file and the list box's model.
    void entryLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("day");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<double>("number");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("a close") << QByteArray("41067 - 312,45") << 41067 << QByteArray("312,45") << 312.45
                                 << QByteArray("41067 - 312,45");
        QTest::newRow("a point") << QByteArray("40909 - 302.50") << 40909 << QByteArray("302.50") << 302.5
                                 << QByteArray("40909 - 302.50");
        QTest::newRow("no value") << QByteArray("41067 - 0,0") << 41067 << QByteArray("0,0") << 0.0
                                  << QByteArray("41067 - 0,0");
        QTest::newRow("blanks in the value kept")
            << QByteArray("100 -  312,45 ") << 100 << QByteArray(" 312,45 ") << 312.45
            << QByteArray("100 -  312,45 ");
        QTest::newRow("a bad value") << QByteArray("101 - abc") << 101 << QByteArray("abc") << 0.0
                                     << QByteArray("101 - abc");
        QTest::newRow("no hyphen: no value")
            << QByteArray("100 5,0") << 100 << QByteArray() << 0.0 << QByteArray("100 - ");
        QTest::newRow("no blank after the hyphen")
            << QByteArray("100 -5") << 100 << QByteArray("5") << 5.0 << QByteArray("100 - 5");
        QTest::newRow("leading zeros")
            << QByteArray("0100 - 1") << 100 << QByteArray("1") << 1.0 << QByteArray("100 - 1");
        QTest::newRow("no day") << QByteArray("abc - 2") << int(NoDay) << QByteArray("2") << 2.0
                                << QByteArray();
        QTest::newRow("day beyond 16 bits")
            << QByteArray("65536 - 1") << int(NoDay) << QByteArray("1") << 1.0 << QByteArray();
    }
    void entryLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, day);
        QFETCH(double, number);
        QFETCH(QByteArray, written);
        const DayEntry entry = ReadEntryLine(line.toStdString());
        QCOMPARE(entry.day, day);
        QTEST(QByteArray::fromStdString(entry.value), "value");
        QCOMPARE(EntryValue(entry), number);
        QCOMPARE(HasValue(entry), number >= LeastValue);
        QVERIFY(entry.origin == Origin::Stored);
        if (day == NoDay)
            return;
        QCOMPARE(LineOf(entry), written);
        SeriesModel model;
        model.SetItems({entry});
        QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toByteArray(), written);
    }

    // An entry says its day and value; where the value came from is asked apart.
    void entriesCompareByDayAndValue()
    {
        QVERIFY(MakeEntry(5, "1,5", Origin::Quoted) == MakeEntry(5, "1,5", Origin::Filled));
        QVERIFY(!(MakeEntry(5, "1,5") == MakeEntry(5, "1,50")));
        QVERIFY(EarlierDay(MakeEntry(9999, "1"), MakeEntry(10000, "1"))); // not by text
        QVERIFY(!HasOwnValue(MakeEntry(5, "1,5", Origin::Filled)) && HasOwnValue(MakeEntry(5, "1,5")));
    }

    void readHistoryText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<EntryList>("entries");
        QTest::addColumn<int>("skipped");
        QTest::newRow("gap from day 100 to 103 gets 0,0 days")
            << QByteArray("100 - 1\r\n103 - 4\r\n") << L("100:1 101:0,0 102:0,0 103:4") << 0;
        QTest::newRow("second line of a day dropped")
            << QByteArray("100 - 1\r\n100 - 2\r\n101 - 3\r\n") << L("100:1 101:3") << 1;
        QTest::newRow("the line with a value wins over 0,0")
            << QByteArray("100 - 0,0\r\n100 - 2\r\n") << L("100:2") << 1;
        QTest::newRow("identical second line loses nothing")
            << QByteArray("100 - 1\r\n100 - 1\r\n") << L("100:1") << 0;
        // An older line put in its place would fill every day between with "0,0" for good.
        QTest::newRow("older line dropped; the next line compared with the newest")
            << QByteArray("100 - 1\r\n103 - 4\r\n101 - 9\r\n104 - 5\r\n")
            << L("100:1 101:0,0 102:0,0 103:4 104:5") << 1;
        QTest::newRow("older day with a value already held: dropped")
            << QByteArray("100 - 1\r\n101 - 2\r\n100 - 9\r\n102 - 3\r\n") << L("100:1 101:2 102:3") << 1;
        QTest::newRow("older than the first line: dropped")
            << QByteArray("100 - 1\r\n98 - 5\r\n") << L("100:1") << 1;
        QTest::newRow("an old day appended to the history: dropped")
            << QByteArray("30000 - 1\r\n30001 - 2\r\n100 - 5,0\r\n") << L("30000:1 30001:2") << 1;
        QTest::newRow("CR line ends") << QByteArray("100 - 1\r101 - 2\r") << L("100:1 101:2") << 0;
        QTest::newRow("CR, LF and CR LF mixed")
            << QByteArray("100 - 1\r\n101 - 2\n102 - 3\r103 - 4") << L("100:1 101:2 102:3 103:4") << 0;
        QTest::newRow("CR CR LF") << QByteArray("100 - 1\r\r\n101 - 2\r\r\n") << L("100:1 101:2") << 0;
        QTest::newRow("UTF-8 byte-order mark before the first day") << QByteArray("\xEF\xBB\xBF"
                                                                                  "100 - 1\r\n101 - 2\r\n")
                                                                    << L("100:1 101:2") << 0;
        QTest::newRow("byte-order mark inside the file: a bad line") << QByteArray("100 - 1\r\n\xEF\xBB\xBF"
                                                                                   "101 - 2\r\n")
                                                                     << L("100:1") << 1;
        QTest::newRow("LF line ends") << QByteArray("100 - 1\n101 - 2\n") << L("100:1 101:2") << 0;
        QTest::newRow("final line without line end")
            << QByteArray("100 - 1\r\n101 - 2") << L("100:1 101:2") << 0;
        QTest::newRow("empty lines passed over")
            << QByteArray("\r\n100 - 1\r\n\r\n\n  \r\n101 - 2\r\n") << L("100:1 101:2") << 0;
        QTest::newRow("day not a whole number: skipped")
            << QByteArray("100 - 1\r\nabc - 2\r\n10x - 3\r\n1.5 - 4\r\n101 - 5\r\n") << L("100:1 101:5") << 3;
        QTest::newRow("day outside 0 ... 65535: skipped")
            << QByteArray("65536 - 1\r\n-1 - 2\r\n100 - 3\r\n") << L("100:3") << 2;
        QTest::newRow("largest day") << QByteArray("65535 - 1\r\n") << L("65535:1") << 0;
        QTest::newRow("line without a blank: skipped") << QByteArray("100\r\n101 - 2\r\n") << L("101:2") << 1;
        QTest::newRow("bad value: a day without a value, text kept")
            << QByteArray("100 - 1\r\n101 - abc\r\n") << Lines({"100 - 1", "101 - abc"}) << 0;
        QTest::newRow("leading blanks and zeros")
            << QByteArray("  0100 - 1\r\n\t101 - 2\r\n") << L("100:1 101:2") << 0;
        QTest::newRow("value blanks kept")
            << QByteArray("100 -  312,45 \r\n") << Lines({"100 -  312,45 "}) << 0;
        QTest::newRow("binary junk") << QByteArray("\x01\x02\xff\r\n100 - 1\r\n") + QByteArray(2, '\0') +
                                            "\r\n"
                                     << L("100:1") << 2;
        QTest::newRow("empty") << QByteArray() << EntryList{} << 0;
    }
    void readHistoryText()
    {
        QFETCH(QByteArray, text);
        QFETCH(EntryList, entries);
        QFETCH(int, skipped);
        const ReadHistory read = ReadHistoryText(std::string_view(text.constData(), text.size()));
        QCOMPARE(read.entries, entries);
        QCOMPARE(read.skippedLines, skipped);
    }

    // Reading that gives markedly fewer days with a value than the text carries values.
    void lostManyValues_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("lost");
        const auto withUnreadLines = [](int read, int unread) {
            QByteArray text = FileText(Consecutive(10000, 10000 + read - 1));
            for (int i = 0; i < unread; ++i)
                text += "x" + QByteArray::number(20000 + i) + " - 5,00\r\n";
            return text;
        };
        QTest::newRow("a history read in full") << FileText(Consecutive(10000, 12000)) << false;
        QTest::newRow("CR line ends, read in full")
            << FileText(Consecutive(10000, 12000)).replace("\r\n", "\r") << false;
        QTest::newRow("one older line appended to 399")
            << FileText(Consecutive(30000, 30398)) + "40000 - 500,00\r\n"
            << false;
        QTest::newRow("9 of 2000 values not read") << withUnreadLines(1991, 9) << false;
        QTest::newRow("10 of 1000 values not read") << withUnreadLines(990, 10) << true;
        QTest::newRow("10 of 1001 values not read") << withUnreadLines(991, 10) << false;
        QTest::newRow("every value not read") << withUnreadLines(0, 400) << true;
        QTest::newRow("text without a day entry") << QByteArray("\x01\x02\xff\r\nhello\r\n") << true;
        QTest::newRow("UTF-16 text") << QByteArray("1\0000\0000\000 \000-\000 \0005\000\r\000\n\000", 18)
                                     << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("blank lines only") << QByteArray("\r\n  \r\n\t\n") << false;
        QTest::newRow("days without a value carry none")
            << FileText(L("100:0,0 101:0,05 102:0")) + "x103 - 0,0\r\n"
            << false;
    }
    void lostManyValues()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, lost);
        QCOMPARE(LostManyValues(ReadHistoryText(std::string_view(text.constData(), text.size()))), lost);
    }

    // A line dated after the latest day (today + 31 at loading) is skipped before the gaps are
    // filled: a stray one would otherwise put "0,0" days up to it into the history.
    void linesAfterTheLatestDay_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("latestDay");
        QTest::addColumn<int>("firstDay"); // the read history runs from here ...
        QTest::addColumn<int>("lastDay");  // ... to here, one entry a day; -1: empty
        QTest::addColumn<int>("skipped");
        QTest::newRow("stray line far ahead")
            << QByteArray("100 - 1\r\n101 - 2\r\n60000 - 3\r\n") << 131 << 100 << 101 << 1;
        QTest::newRow("the latest day itself is kept")
            << QByteArray("100 - 1\r\n131 - 2\r\n") << 131 << 100 << 131 << 0;
        QTest::newRow("out of order, far ahead first")
            << QByteArray("65535 - 9\r\n100 - 1\r\n101 - 2\r\n") << 131 << 100 << 101 << 1;
        QTest::newRow("everything ahead") << QByteArray("500 - 1\r\n501 - 2\r\n") << 131 << -1 << -1 << 2;
    }
    void linesAfterTheLatestDay()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, latestDay);
        QFETCH(int, firstDay);
        QFETCH(int, lastDay);
        QFETCH(int, skipped);
        const ReadHistory read = ReadHistoryText(std::string_view(text.constData(), text.size()), latestDay);
        QCOMPARE(read.skippedLines, skipped);
        if (lastDay < 0) {
            QVERIFY(read.entries.empty());
            return;
        }
        QCOMPARE(int(read.entries.size()), lastDay - firstDay + 1);
        QCOMPARE(EntryDay(read.entries.front()), firstDay);
        QCOMPARE(EntryDay(read.entries.back()), lastDay);
    }

    void newestTenAreHeldBack_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("history");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("ten lines: an empty history") << 10 << 0;
        QTest::newRow("eleven") << 11 << 1;
        QTest::newRow("a year") << 365 << 355;
    }
    void newestTenAreHeldBack()
    {
        QFETCH(int, lines);
        QFETCH(int, history);
        const EntryList entries = Consecutive(1000, 1000 + lines - 1);
        QVERIFY(Write("AEX.dat", FileText(entries)));
        const LoadedHistory loaded = LoadHistoryFile(Path());
        QCOMPARE(loaded.status, LoadStatus::Read);
        QCOMPARE(int(loaded.history.size()), history);
        QCOMPARE(int(loaded.heldBack.size()), lines - history);
        EntryList joined = loaded.history;
        joined.insert(joined.end(), loaded.heldBack.begin(), loaded.heldBack.end());
        QCOMPARE(joined, entries);
    }

    void loadStatus()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No history file"));
        QCOMPARE(LoadHistoryFile(Path("absent.dat")).status, LoadStatus::Missing);

        QDir(m_folder.path()).mkpath("folder.dat");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be read"));
        const LoadedHistory folder = LoadHistoryFile(Path("folder.dat"));
        QCOMPARE(folder.status, LoadStatus::Unreadable);
        QVERIFY(folder.history.empty() && folder.heldBack.empty());

        Write("junk.dat", "junk\r\n100 - 1\r\n");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("1 lines were not day entries"));
        QCOMPARE(LoadHistoryFile(Path("junk.dat")).status, LoadStatus::ReadSkipped);

        Write("empty.dat", "");
        QCOMPARE(LoadHistoryFile(Path("empty.dat")).status, LoadStatus::Read);

        Write("garbage.dat", QByteArray(4096, '\x01'));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("lines were not day entries"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kept under a name of its own"));
        QCOMPARE(LoadHistoryFile(Path("garbage.dat")).status, LoadStatus::ReadLost);

#ifndef Q_OS_WIN
        // A named pipe is not opened: that would wait for a writer for ever.
        QCOMPARE(mkfifo(Path("pipe.dat").c_str(), 0600), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("could not be read \\(not a regular file\\)"));
        QCOMPARE(LoadHistoryFile(Path("pipe.dat")).status, LoadStatus::Unreadable);
#endif
    }

    // Into a folder that is made for it.
    void writeIsCrLfAndReadsBackTheSame()
    {
        const std::string path = Path("new/folder/AEX.dat");
        const EntryList entries = Lines({"100 - 1", "101 - 2,50", "102 -  312,45 ", "103 - 0,0"});
        QCOMPARE(WriteHistoryFile(path, entries), WriteStatus::Written);
        QCOMPARE(TestSupport::ReadFile(QString::fromStdString(path)),
                 QByteArray("100 - 1\r\n101 - 2,50\r\n102 -  312,45 \r\n103 - 0,0\r\n"));
        QCOMPARE(ReadHistoryText(HistoryFileText(entries)).entries, entries);
    }

    // The backup holds the previous file; a kept one also carries the time of the write and is
    // never written over.
    void backups()
    {
        Write("AEX.dat", "first\r\n");
        QCOMPARE(WriteHistoryFile(Path(), L("100:1"), Backup::Replaceable), WriteStatus::Written);
        QCOMPARE(Read("AEX.dat.bak"), QByteArray("first\r\n"));
        QCOMPARE(Read(), QByteArray("100 - 1\r\n"));

        const QDateTime moment(QDate(2026, 2, 20), QTime(12, 0, 5));
        std::string kept;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("was kept as .*AEX.dat.20260220-120005.bak"));
        QCOMPARE(WriteHistoryFile(Path(), L("100:2"), Backup::Kept, moment, &kept), WriteStatus::Written);
        QCOMPARE(kept, Path("AEX.dat.20260220-120005.bak"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("was kept as .*AEX.dat.20260220-120005-2.bak"));
        QCOMPARE(WriteHistoryFile(Path(), L("100:3"), Backup::Kept, moment, &kept), WriteStatus::Written);
        QCOMPARE(kept, Path("AEX.dat.20260220-120005-2.bak"));

        QCOMPARE(Read("AEX.dat.20260220-120005.bak"), QByteArray("100 - 1\r\n"));
        QCOMPARE(Read("AEX.dat.20260220-120005-2.bak"), QByteArray("100 - 2\r\n"));
        QCOMPARE(Read("AEX.dat.bak"), QByteArray("100 - 2\r\n"));
        QCOMPARE(Read(), QByteArray("100 - 3\r\n"));
    }

    // Only what an interrupted save leaves ("AEX.dat." and six random letters) is removed.
    void saveLeftovers_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("leftover");
        QTest::newRow("six mixed letters") << "AEX.dat.NAijoH" << true;
        QTest::newRow("lower case first") << "AEX.dat.extmEa" << true;
        QTest::newRow("a word: backup") << "AEX.dat.backup" << false;
        QTest::newRow("a word: Backup") << "AEX.dat.Backup" << false;
        QTest::newRow("a word: BACKUP") << "AEX.dat.BACKUP" << false;
        QTest::newRow("the backup") << "AEX.dat.bak" << false;
        QTest::newRow("a kept backup") << "AEX.dat.20260220-120000.bak" << false;
        QTest::newRow("seven letters") << "AEX.dat.abcDEFg" << false;
        QTest::newRow("five letters") << "AEX.dat.abcDE" << false;
        QTest::newRow("a digit") << "AEX.dat.abC1eF" << false;
        QTest::newRow("no dot") << "AEX.datXabcDeF" << false;
        QTest::newRow("another case of the name") << "aex.dat.abcDeF" << false;
        QTest::newRow("another file's leftover") << "Koerszicht.ini.abcDeF" << false;
        QTest::newRow("the history itself") << "AEX.dat" << false;
    }
    void saveLeftovers()
    {
        QFETCH(QString, name);
        QFETCH(bool, leftover);
        QCOMPARE(IsSaveLeftoverName(name, "AEX.dat"), leftover);
        const QString folder = m_folder.path();
        QVERIFY(TestSupport::WriteFile(folder + "/AEX.dat", "100 - 1\r\n"));
        if (name != "AEX.dat")
            QVERIFY(TestSupport::WriteFile(folder + '/' + name, "100 - 1\r\n101 - 2\r\n"));
        QCOMPARE(RemoveSaveLeftovers(folder, "AEX.dat"), leftover ? QStringList{name} : QStringList{});
        QCOMPARE(QFileInfo::exists(folder + '/' + name), !leftover);
        QVERIFY(QFileInfo::exists(folder + "/AEX.dat"));
    }

    void saveLeftoversOnlyRegularFiles()
    {
#ifdef Q_OS_WIN
        QSKIP("no symbolic links for a user on Windows");
#else
        const QString folder = m_folder.path();
        QVERIFY(QDir(folder).mkpath("AEX.dat.QpiRrP/inside"));
        QVERIFY(TestSupport::WriteFile(folder + "/elsewhere.dat", "keep\r\n"));
        QVERIFY(QFile::link(folder + "/elsewhere.dat", folder + "/AEX.dat.ZCQYAH"));
        QVERIFY(TestSupport::WriteFile(folder + "/AEX.dat.TnEUCZ", "100 - 1\r\n"));
        QCOMPARE(RemoveSaveLeftovers(folder, "AEX.dat"), QStringList{"AEX.dat.TnEUCZ"});
        QVERIFY(QFileInfo(folder + "/AEX.dat.QpiRrP/inside").isDir());
        QVERIFY(QFileInfo(folder + "/AEX.dat.ZCQYAH").isSymLink());
        QCOMPARE(TestSupport::ReadFile(folder + "/elsewhere.dat"), QByteArray("keep\r\n"));
#endif
    }

    // A write that stops half-way (here: the file size limit) leaves the previous file whole.
    void interruptedWriteLeavesTheOldFile()
    {
#ifdef Q_OS_WIN
        QSKIP("no file size limit to set on Windows");
#else
        const QByteArray old = FileText(Consecutive(30000, 30100));
        Write("AEX.dat", old);
        const EntryList longer = Consecutive(30000, 46000);

        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("was not written .*previous file is left"));
        const WriteStatus status = WriteHistoryFile(Path(), longer);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QCOMPARE(status, WriteStatus::Failed);
        QCOMPARE(Read(), old);
        QCOMPARE(QDir(m_folder.path()).entryList(QDir::Files),
                 QStringList{"AEX.dat"}); // no half-written files
#endif
    }

    // The pause a test program sets comes once per write, while the previous file is still in
    // place: a kill there loses nothing. (The new file may have no name yet: Linux's O_TMPFILE.)
    void writePauseComesHalfWay()
    {
        const QByteArray old = FileText(Consecutive(30000, 30100));
        Write("AEX.dat", old);
        const EntryList entries = Consecutive(30000, 31000);
        const std::string text = HistoryFileText(entries);
        pauseFolder = m_folder.path();
        pauses.clear();

        SetWritePause(RecordPause);
        const WriteStatus status = WriteHistoryFile(Path(), entries);
        SetWritePause(nullptr);

        QCOMPARE(status, WriteStatus::Written);
        QCOMPARE(pauses.size(), 1);
        QCOMPARE(pauses.front(), old);
        QCOMPARE(Read(), QByteArray::fromStdString(text));

        // Without a pause set, nothing is called.
        QCOMPARE(WriteHistoryFile(Path(), L("100:1")), WriteStatus::Written);
        QCOMPARE(pauses.size(), 1);
    }

    void targetThatCannotBeReplaced()
    {
        QDir(m_folder.path()).mkpath("AEX.dat/inside");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("was not written"));
        QCOMPARE(WriteHistoryFile(Path(), L("100:1")), WriteStatus::Failed);
        QVERIFY(QFileInfo(m_folder.path() + "/AEX.dat/inside").isDir());
    }

    void cleanup()
    {
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(m_folder.path());
    }
};

QTEST_GUILESS_MAIN(HistoryFileTest)
#include "tst_historyfile.moc"
