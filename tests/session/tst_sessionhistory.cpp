// The session's history from loading to closing: AEX.dat from the data folder (also damaged or
// edited by hand), a first start's day count, a change of the day count, the closing-price
// back-fill and its codes, and the file written at closing, also when that fails.
#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "history/HistoryFile.h"
#include "history/HistoryTestSupport.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

using namespace History;

namespace {
const QDate Today(2026, 2, 20);

int TodayNumber()
{
    return Support::DayNumber(Today);
}

QString HistoryPath()
{
    return TestSupport::DataFolder() + "AEX.dat";
}

void SetSetting(const QString& key, const QVariant& value)
{
    QSettings(TestSupport::IniPath(), QSettings::IniFormat).setValue(key, value);
}

EntryList ReadLines(const QByteArray& text)
{
    EntryList lines;
    for (const QByteArray& line : text.split('\n'))
        if (!line.isEmpty())
            lines.push_back(line.chopped(1).toStdString());
    return lines;
}

bool Contains(const EntryList& entries, const std::string& entry)
{
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

// A session over a scripted fetcher, and what it reported.
struct Rig
{
    explicit Rig(const Support::SystemFacts& facts = TestSupport::Facts()) : session(facts, settings, fetcher)
    {
        QObject::connect(&session, &Session::rowSelected, [this](int selected, bool centred) {
            row = selected;
            rowCentred = centred;
        });
        QObject::connect(&session, &Session::dayCountChanged,
                         [this](int count) { announcedDayCount = count; });
        QObject::connect(&session, &Session::loadFailed,
                         [this](Quotes::BackfillCode code) { codes << int(code); });
        QObject::connect(&session, &Session::downloadTimerSet, [this](int ms) { interval = ms; });
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    const EntryList& Items() const { return session.Series().Items(); }

    TestSupport::ScriptedFetcher fetcher;
    ProgramSettings settings;
    Session session;
    int row = -1;
    bool rowCentred = false;
    int announcedDayCount = -1;
    QList<int> codes;
    int interval = -1;
};

// The series holds `count` entries up to 31 days after today, today's entry is selected and
// centred, and the quote schedule is tested again after one second.
void VerifyLoaded(const Rig& rig, int count)
{
    QCOMPARE(int(rig.Items().size()), count);
    QCOMPARE(EntryDay(rig.Items().back()), TodayNumber() + 31);
    QCOMPARE(rig.row, count - 32);
    QVERIFY(rig.rowCentred);
    QCOMPARE(EntryDay(rig.Items().at(rig.row)), TodayNumber());
    QCOMPARE(rig.interval, 1000);
}
#define VERIFY_LOADED(rig, count)                                                                            \
    do {                                                                                                     \
        VerifyLoaded(rig, count);                                                                            \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

// A day count change: `count` entries, today's entry selected again, the quote rolls anew.
void VerifyResized(const Rig& rig, int count)
{
    QCOMPARE(int(rig.Items().size()), count);
    QCOMPARE(EntryDay(rig.Items().at(rig.row)), TodayNumber());
    QVERIFY(rig.session.RollPending());
    QCOMPARE(rig.interval, 1000);
}

// The closing-prices list of the back-fill cases: a monday evening in June 2012, after the close.
const QDateTime MondayEvening(QDate(2012, 6, 11), QTime(21, 0));
const QByteArray ThreeLines = "120605: 310.00\n120606: 311.50\n120607: 312.45\n"; // 45 characters
const QByteArray List = "120604: 309.00\n" + ThreeLines;
const EntryList Added = L("41066:311,50 41067:312,45");
// The history: its newest three days, 41063 ... 41065, are also the list's first days.
EntryList BackfillHistory()
{
    EntryList entries;
    for (int day = 41040; day <= 41062; ++day)
        entries.push_back(MakeEntry(day, "307,00"));
    const EntryList newest = L("41063:308,00 41064:309,00 41065:310,00");
    entries.insert(entries.end(), newest.begin(), newest.end());
    return entries;
}
} // namespace

class SessionHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        // Not a first start: the day count is the one stored (firstStart covers the other case).
        SetSetting("Defaults/Dagen", 200);
        Support::Clock::Set(QDateTime(Today, QTime(12, 0)));
        Support::SetRegional(Support::RegionalSettings::Dutch());
    }
    void cleanup() { Support::Clock::Reset(); }

    // What loading makes of AEX.dat, what a change of the day count shows, and what closing
    // writes, offline. Every day of the file with a value keeps it; the written file runs one line
    // a day from its first day to today, the days after the file's newest with "0,0". A file with
    // lines passed over goes to AEX.dat.bak, one that gave markedly fewer values than it carries
    // also to a time-stamped backup that later starts leave alone. A file that cannot be read is
    // left as it is.
    void loadAndClose_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for none, "<folder>", "<fifo>"
        QTest::addColumn<int>("count");       // of the series after loading
        QTest::addColumn<EntryList>("keeps"); // the file's entries: the written file begins with them
        QTest::addColumn<int>("save");        // HistorySave at closing
        QTest::addColumn<bool>("backup");
        QTest::addColumn<bool>("kept");
        const int today = TodayNumber();
        const int written = int(HistorySave::Written);
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QTest::newRow("the shipped history")
            << starter << 201 << ReadLines(starter) << written << false << false;
        const EntryList offline =
            L("46060:996,58 46061:997,80 46062:999,03 46063:1004,14 46064:1001,20 46065:998,75 "
              "46066:1002,40 46067:999,00 46068:1003,10 46069:1001,00 46070:1004,00 46071:1000,50");
        // The series begins with the oldest of the file's days that it reaches.
        QTest::newRow("newest days held back: shown as stored")
            << FileText(offline) << 44 << offline << written << false << false;
        // Files the reader once misunderstood, or edited by hand.
        const EntryList days = Consecutive(today - 398, today - 3);
        const QByteArray stored = FileText(days);
        QTest::newRow("CR line ends")
            << QByteArray(stored).replace("\r\n", "\r") << 201 << days << written << false << false;
        QTest::newRow("UTF-8 byte-order mark")
            << "\xEF\xBB\xBF" + stored << 201 << days << written << false << false;
        QTest::newRow("an older line appended") << stored + "40000 - 500,00\r\n"
                                                << 201 << days << written << true << false;
        QTest::newRow("a line for day 100 appended") << stored + "100 - 5,0\r\n"
                                                     << 201 << days << written << true << false;
        // Before, the days up to a line far ahead (a clock set wrong) filled the history with "0,0",
        // the series lay in the future and no later day was ever stored.
        const EntryList recent = Consecutive(today - 300, today - 3);
        QTest::newRow("a stray line far ahead")
            << FileText(recent) + FileText(L("60000:1234,5")) << 201 << recent << written << true << false;
        QTest::newRow("binary garbage without a day entry")
            << QByteArray(5000, '\x01') + "\r\n\xff\xfe" << 201 << EntryList{} << written << true << true;
        QTest::newRow("a word before every day") << QByteArray(stored).replace("\r\n", "\r\nday ") << 201
                                                 << EntryList{} << written << true << true;
        // Bad files.
        QTest::newRow("missing") << QByteArray("-") << 201 << EntryList{} << int(HistorySave::NotNeeded)
                                 << false << false;
        QTest::newRow("empty") << QByteArray() << 201 << EntryList{} << written << false << false;
        QTest::newRow("a folder in its place") << QByteArray("<folder>") << 201 << EntryList{}
                                               << int(HistorySave::LeftUnreadable) << false << false;
        QTest::newRow("a named pipe in its place") << QByteArray("<fifo>") << 201 << EntryList{}
                                                   << int(HistorySave::LeftUnreadable) << false << false;
        QTest::newRow("no day entries")
            << QByteArray("\x01\x02\r\nhello\r\n") << 201 << EntryList{} << written << true << true;
        // Every line is held back, and shown: from day 46001 to 31 days after today, 46104.
        QTest::newRow("five lines") << FileText(Consecutive(46000, 46004)) << 104 << Consecutive(46000, 46004)
                                    << written << false << false;
        QTest::newRow("ten lines") << FileText(Consecutive(46000, 46009)) << 104 << Consecutive(46000, 46009)
                                   << written << false << false;
        QTest::newRow("no value of 0.1 or more")
            << FileText(L("46000:0,0 46001:0,05 46002:0")) << 201 << EntryList{} << written << false << false;
        QTest::newRow("ends long before today") << FileText(Consecutive(45000, 45700)) << 201
                                                << Consecutive(45000, 45700) << written << false << false;
    }
    void loadAndClose()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        QFETCH(EntryList, keeps);
        QFETCH(int, save);
        QFETCH(bool, backup);
        QFETCH(bool, kept);
        const QByteArray path = QFile::encodeName(HistoryPath());
        if (file == "<folder>")
            QVERIFY(QDir().mkpath(HistoryPath() + "/inside"));
        else if (file == "<fifo>" && QDir().mkpath(TestSupport::DataFolder()))
            QCOMPARE(mkfifo(path.constData(), 0600), 0);
        else if (file != "-")
            QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            Rig rig;
            rig.session.Start();
            VERIFY_LOADED(rig, count);
            QCOMPARE(rig.session.FreshHistoryCopy(), file == "-");
            if (!keeps.empty()) {
                // The file's days in the series' reach stand as stored; when its newest is among
                // them, the days after it up to today show that value carried forward.
                const int first = EntryDay(rig.Items().front());
                for (const std::string& entry : keeps)
                    if (EntryDay(entry) >= first)
                        QVERIFY2(Contains(rig.Items(), entry), entry.c_str());
                const std::string newest = keeps.back();
                if (EntryDay(newest) >= first && EntryDay(newest) < TodayNumber()) {
                    const std::string value = newest.substr(newest.find(" - ") + 3);
                    QVERIFY(Contains(rig.Items(), MakeEntry(EntryDay(newest) + 1, value)));
                    QCOMPARE(rig.Items().at(rig.row), MakeEntry(TodayNumber(), value));
                }
            }
            if (keeps.size() > std::size_t(HeldBackCount))
                QCOMPARE(rig.session.LastStoredEntry(), keeps[keeps.size() - HeldBackCount - 1]);

            rig.session.ChangeDayCount(35); // a smaller day count
            VerifyResized(rig, 35);
            rig.session.ChangeDayCount(20000); // every day of the file, no more than asked
            QVERIFY(rig.Items().size() <= 20000);
            QCOMPARE(EntryDay(rig.Items().at(rig.row)), TodayNumber());
            if (!keeps.empty()) {
                QCOMPARE(rig.Items().front(), keeps.front());
                VerifyResized(rig, TodayNumber() + 31 - EntryDay(keeps.front()) + 1);
            }
            rig.session.ChangeDayCount(35); // and smaller again before closing
            VerifyResized(rig, 35);
            QCOMPARE(int(rig.session.CloseHistory(CloseKind::User)), save);
        }

        if (save == int(HistorySave::NotNeeded)) { // nothing to keep: a later start copies the starter
            QVERIFY(!QFileInfo::exists(HistoryPath()));
            return;
        }
        if (file == "<folder>") {
            QVERIFY(QFileInfo(HistoryPath() + "/inside").isDir());
            return;
        }
        if (file == "<fifo>") { // a file that cannot be read is not replaced by this run's days
            struct stat status
            {
            };
            QCOMPARE(stat(path.constData(), &status), 0);
            QVERIFY(S_ISFIFO(status.st_mode));
            QCOMPARE(QDir(TestSupport::DataFolder()).entryList(QDir::Files | QDir::System),
                     QStringList{"AEX.dat"});
            return;
        }
        const QByteArray text = TestSupport::ReadFile(HistoryPath());
        QCOMPARE(text.count('\n'), text.count("\r\n"));
        const EntryList after = ReadLines(text);
        const EntryList read = ReadHistoryText(file.toStdString()).entries;
        for (std::size_t i = 1; i < after.size(); ++i)
            QCOMPARE(EntryDay(after[i]), EntryDay(after[i - 1]) + 1);
        if (!read.empty()) {
            QVERIFY(!after.empty());
            QCOMPARE(EntryDay(after.back()), TodayNumber());
        }
        for (const std::string& entry : read)
            if (HasValue(entry) && EntryDay(entry) <= TodayNumber())
                QVERIFY2(Contains(after, entry), entry.c_str());
        if (!keeps.empty()) {
            QCOMPARE(EntryList(after.begin(), after.begin() + std::ptrdiff_t(keeps.size())), keeps);
            for (std::size_t i = keeps.size(); i < after.size(); ++i) // offline: no value was obtained
                QCOMPARE(after[i], MakeEntry(EntryDay(after[i]), "0,0"));
        }
        QCOMPARE(TestSupport::ReadFile(HistoryPath() + ".bak"), backup ? file : QByteArray());
        const QString keptName = HistoryPath() + ".20260220-120000.bak";
        QCOMPARE(QFileInfo::exists(keptName), kept);
        if (kept)
            QCOMPARE(TestSupport::ReadFile(keptName), file);

        // The next start reads the written file in full and keeps no further backup.
        Support::Clock::Set(QDateTime(Today, QTime(12, 5)));
        {
            Rig rig;
            rig.session.Start();
            QCOMPARE(rig.session.HistoryFileStatus(), LoadStatus::Read);
            QCOMPARE(rig.session.CloseHistory(CloseKind::User), HistorySave::Written);
        }
        QCOMPARE(QDir(TestSupport::DataFolder()).entryList({"AEX.dat.*.bak"}, QDir::Files).size(),
                 kept ? 1 : 0);
    }

    // What an interrupted save left beside AEX.dat is removed at start; nothing else is.
    void leftoversOfAnInterruptedSave()
    {
        const QByteArray stored = FileText(Consecutive(TodayNumber() - 300, TodayNumber() - 3));
        for (const char* name : {"", ".NAijoH", ".backup", ".bak"})
            QVERIFY(TestSupport::WriteFile(HistoryPath() + name, stored));
        QTest::ignoreMessage(QtWarningMsg,
                             "Removed AEX.dat.NAijoH, left over from an interrupted save of the history");
        Rig rig;
        rig.session.Start();
        VERIFY_LOADED(rig, 201);
        QVERIFY(!QFileInfo::exists(HistoryPath() + ".NAijoH"));
        for (const char* name : {"", ".backup", ".bak"})
            QCOMPARE(TestSupport::ReadFile(HistoryPath() + name), stored);
    }

    // A first start (no day count stored) opens on the history's newest values: the default
    // day count when it shows enough of them, more when the history ends long before today.
    // A stored day count is always kept. The plot says when its newest days have no price.
    void firstStart_data()
    {
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("listed"); // the closing-prices list holds the weekdays since, up to yesterday
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<QString>("note");
        const int today = TodayNumber();
        QTest::newRow("recent history") << today - 3 << false << false << 200 << QString();
        QTest::newRow("79 days old: a quarter year still shown")
            << today - 79 << false << false << 200 << "Geen koersen na 3-12-2025";
        QTest::newRow("80 days old") << today - 80 << false << false << 298 << "Geen koersen na 2-12-2025";
        QTest::newRow("ten months old")
            << today - 301 << false << false << 515 << "Geen koersen na 25-4-2025";
        QTest::newRow("ten months old, count stored")
            << today - 301 << true << false << 200 << "Geen koersen na 25-4-2025";
        QTest::newRow("ten months old, the list brings it up to yesterday")
            << today - 301 << false << true << 200 << QString();
    }
    void firstStart()
    {
        QFETCH(int, lastDay);
        QFETCH(bool, stored);
        QFETCH(bool, listed);
        QFETCH(int, dayCount);
        QFETCH(QString, note);
        if (!stored)
            QSettings(TestSupport::IniPath(), QSettings::IniFormat).remove("Defaults/Dagen");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Consecutive(lastDay - 400, lastDay))));
        Rig rig;
        int newestListed = lastDay;
        if (listed) {
            QByteArray list;
            for (int day = lastDay + 1; day < TodayNumber(); ++day) {
                if (Support::DateOfDay(day).dayOfWeek() > 5)
                    continue;
                list += Support::DateOfDay(day).toString("yyMMdd").toLatin1() + ": 462.50\n";
                newestListed = day;
            }
            rig.fetcher.Answer(list.toStdString());
        }
        rig.session.Start();
        QCOMPARE(rig.session.DayCount(), dayCount);
        QCOMPARE(rig.announcedDayCount, dayCount == 200 ? -1 : dayCount);
        VERIFY_LOADED(rig, dayCount + 1);
        QCOMPARE(Chart::MakeScale(rig.Items(), 560, 480).HasValues,
                 dayCount > 200 || newestListed > TodayNumber() - 169);
        QCOMPARE(rig.session.LastValuedDay(), newestListed);
        QCOMPARE(Chart::PlotNote(rig.session.LastValuedDay(), TodayNumber()), note);
        rig.session.StoreWindow(1, 1, 720, 540);
        QCOMPARE(QSettings(TestSupport::IniPath(), QSettings::IniFormat).value("Defaults/Dagen").toInt(),
                 dayCount);
    }

    // The back-fill at loading: the list's days after the newest stored day go into the series
    // and, at closing, into the file; a failure is reported with its code. A freshly copied starter
    // history counts as brought up to date once a list of some length arrived.
    void backfill_data()
    {
        QTest::addColumn<QByteArray>("page"); // the fetch's answer; none: no connection
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("fetched");
        QTest::addColumn<int>("code");
        QTest::addColumn<EntryList>("added");
        QTest::addColumn<bool>("freshCopyAfter");

        QTest::newRow("list read") << List << MondayEvening << true << 0 << Added << false;
        QTest::newRow("list with CR LF")
            << QByteArray(List).replace("\n", "\r\n") << MondayEvening << true << 0 << Added << false;
        // The newest history day (41055, the held-back days after it aside) has its close.
        QTest::newRow("not due: no fetch") << List << QDateTime(Support::DateOfDay(41056), QTime(19, 59))
                                           << false << 0 << EntryList{} << true;
        QTest::newRow("no connection: code 1")
            << QByteArray() << MondayEvening << true << 1 << EntryList{} << true;
        QTest::newRow("49 characters: code 2") << ThreeLines + "xxx\n"
                                               << MondayEvening << true << 2 << EntryList{} << true;
        QTest::newRow("an error page: code 3")
            << QByteArray("<html><head><title>Niet gevonden</title></head><body></body></html>\n")
            << MondayEvening << true << 3 << EntryList{} << false;
        QTest::newRow("last value 0: code 4, earlier days kept")
            << List + "120608: 0\n"
            << MondayEvening << true << 4 << Added << false;
    }
    void backfill()
    {
        QFETCH(QByteArray, page);
        QFETCH(QDateTime, now);
        QFETCH(bool, fetched);
        QFETCH(int, code);
        QFETCH(EntryList, added);
        QFETCH(bool, freshCopyAfter);
        Support::Clock::Set(now);
        SetSetting("Sources/ClosingPricesSite", "http://slotkoersen.test/");
        // A first run: the starter history beside the program is copied.
        QTemporaryDir program;
        QVERIFY(TestSupport::WriteFile(program.filePath("AEX.dat"), FileText(BackfillHistory())));
        Support::SystemFacts facts = TestSupport::Facts();
        facts.programFolder = QFile::encodeName(program.path()).toStdString();
        Rig rig(facts);
        if (!page.isEmpty())
            rig.fetcher.Answer(page.toStdString());
        rig.session.Start();

        QCOMPARE(rig.codes, code == 0 ? QList<int>{} : QList<int>{code});
        QCOMPARE(rig.session.FreshHistoryCopy(), freshCopyAfter);
        QCOMPARE(int(rig.fetcher.Requests().size()), fetched ? 1 : 0);
        if (fetched) {
            const Quotes::FetchRequest& request = rig.fetcher.Requests().front();
            QCOMPARE(request.url, std::string("http://slotkoersen.test/Beurs/Slotkoersen/.a/aex-index"));
            QCOMPARE(request.access, Quotes::INTERNET_OPEN_TYPE_DIRECT); // never through the user's proxy
            QCOMPARE(request.options.totalTimeoutMs, Session::ListFetchBoundMs);
        }
        for (const std::string& entry : added)
            QVERIFY2(Contains(rig.Items(), entry), entry.c_str());
        for (const std::string& entry : Added)
            if (!Contains(added, entry))
                QVERIFY2(!Contains(rig.Items(), entry), entry.c_str());
        QCOMPARE(rig.interval, 1000); // the quote schedule starts when the back-fill is over

        QCOMPARE(rig.session.CloseHistory(CloseKind::User), HistorySave::Written);
        const EntryList written = ReadLines(TestSupport::ReadFile(HistoryPath()));
        const EntryList history = BackfillHistory();
        QCOMPARE(EntryList(written.begin(), written.begin() + std::ptrdiff_t(history.size())), history);
        for (const std::string& entry : added)
            QVERIFY2(Contains(written, entry), entry.c_str());
    }

    // The list goes past the user's proxy to the site also with the program's own fetcher.
    void listFetchedPastTheProxy()
    {
        Support::Clock::Set(MondayEvening);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(BackfillHistory())));
        TestSupport::LoopbackServer site;
        site.Serve(TestSupport::LoopbackReply::Page(List));
        SetSetting("Sources/ClosingPricesSite", site.Url());
        qputenv("http_proxy",
                QStringLiteral("http://127.0.0.1:%1/").arg(TestSupport::ClosedPort()).toLatin1());
        Quotes::BlockingFetcher fetcher;
        ProgramSettings settings;
        Session session(TestSupport::Facts(), settings, fetcher);
        QSignalSpy failed(&session, &Session::loadFailed);
        session.Start();
        qputenv("http_proxy", QByteArray());
        QCOMPARE(failed.count(), 0);
        QCOMPARE(site.RequestCount(), 1);
        QCOMPARE(site.Requests().first().target, QByteArray("/Beurs/Slotkoersen/.a/aex-index"));
        for (const std::string& entry : Added)
            QVERIFY2(Contains(session.Series().Items(), entry), entry.c_str());
    }

    // The history cannot be saved at closing: the user is asked and may try again; a close by a
    // signal or the session's end asks nobody. The previous file stays whole whenever nothing is
    // written.
    void saveFailsAtClosing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("retry"); // the answer, after making the folder writable again
        QTest::addColumn<int>("asked");
        QTest::addColumn<bool>("written");
        QTest::newRow("user closes, tries again") << int(CloseKind::User) << true << 1 << true;
        QTest::newRow("user closes without saving") << int(CloseKind::User) << false << 1 << false;
        QTest::newRow("signal or logout") << int(CloseKind::Unattended) << true << 0 << false;
    }
    void saveFailsAtClosing()
    {
        QFETCH(int, kind);
        QFETCH(bool, retry);
        QFETCH(int, asked);
        QFETCH(bool, written);
        const QByteArray stored = FileText(Consecutive(TodayNumber() - 300, TodayNumber() - 3));
        QVERIFY(TestSupport::WriteFile(HistoryPath(), stored));
        const QString folder = TestSupport::DataFolder();
        // Root writes into a read-only folder: the write is made as the user nobody instead.
        const bool root = geteuid() == 0;
        const auto makeWritable = [&] {
            if (root)
                QVERIFY(seteuid(0) == 0);
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
        };
        int questions = 0;
        std::string askedPath;
        Rig rig;
        rig.session.Start();
        VERIFY_LOADED(rig, 201);
        rig.session.SetSaveFailureAsker([&](const std::string& path) {
            ++questions;
            askedPath = path;
            makeWritable();
            return retry ? SaveFailureAnswer::Retry : SaveFailureAnswer::CloseWithoutSaving;
        });
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                                  QFile::ExeOther));
        if (root)
            QVERIFY(seteuid(65534) == 0);
        const HistorySave saved = rig.session.CloseHistory(CloseKind(kind));
        if (questions == 0)
            makeWritable();
        QCOMPARE(saved, written ? HistorySave::Written : HistorySave::Failed);
        QVERIFY(rig.session.Closed());
        QCOMPARE(questions, asked);
        if (asked > 0)
            QCOMPARE(QString::fromStdString(askedPath), HistoryPath());
        const QByteArray after = TestSupport::ReadFile(HistoryPath());
        if (written) {
            QVERIFY(after.startsWith(stored));
            QCOMPARE(EntryDay(ReadLines(after).back()), TodayNumber());
        } else {
            QCOMPARE(after, stored);
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"AEX.dat"});
    }

    // The decision behind the question: as often as the user asks to try again.
    void saveHistoryAtClose_data()
    {
        QTest::addColumn<QString>("saves");   // the results of successive saves: W written, F failed
        QTest::addColumn<QString>("answers"); // R retry, C close without saving
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("savesMade");
        const int user = int(CloseKind::User);
        QTest::newRow("written at once") << "W"
                                         << "" << user << int(HistorySave::Written) << 1;
        QTest::newRow("fails twice, then written") << "FFW"
                                                   << "RR" << user << int(HistorySave::Written) << 3;
        QTest::newRow("fails, closed without saving") << "FW"
                                                      << "C" << user << int(HistorySave::Failed) << 1;
        QTest::newRow("unattended: no question")
            << "FW"
            << "" << int(CloseKind::Unattended) << int(HistorySave::Failed) << 1;
        QTest::newRow("nothing to save: no question") << "N"
                                                      << "" << user << int(HistorySave::NotNeeded) << 1;
        QTest::newRow("unreadable file left: no question")
            << "U"
            << "" << user << int(HistorySave::LeftUnreadable) << 1;
    }
    void saveHistoryAtClose()
    {
        QFETCH(QString, saves);
        QFETCH(QString, answers);
        QFETCH(int, kind);
        QFETCH(int, result);
        QFETCH(int, savesMade);
        int made = 0;
        int asked = 0;
        const auto save = [&] {
            const QChar c = saves.at(made++);
            return c == 'W'   ? HistorySave::Written
                   : c == 'F' ? HistorySave::Failed
                   : c == 'N' ? HistorySave::NotNeeded
                              : HistorySave::LeftUnreadable;
        };
        const auto ask = [&](const std::string&) {
            return answers.at(asked++) == 'R' ? SaveFailureAnswer::Retry
                                              : SaveFailureAnswer::CloseWithoutSaving;
        };
        QCOMPARE(int(SaveHistoryAtClose(save, CloseKind(kind), ask, "AEX.dat")), result);
        QCOMPARE(made, savesMade);
        QCOMPARE(asked, int(answers.size()));
    }
};

QTEST_GUILESS_MAIN(SessionHistoryTest)
#include "tst_sessionhistory.moc"
