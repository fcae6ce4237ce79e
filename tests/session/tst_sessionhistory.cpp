// The session's history from loading to closing: AEX.dat from the data folder (also damaged or
// edited by hand), a first start's day count, a change of the day count, the closing-price
// back-fill and its codes, and the file written at closing, also when that fails.
#include "chart/ChartScale.h"
#include "history/HistoryFile.h"
#include "history/HistoryTestSupport.h"
#include "history/SeriesBuilder.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

using namespace History;

namespace {
const QDate TodayDate(2026, 2, 20);
const int Today = Support::DayNumber(TodayDate);

QString HistoryPath()
{
    return TestSupport::DataFolder() + "AEX.dat";
}

bool Contains(const EntryList& entries, const DayEntry& entry)
{
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
}

// A session over a scripted fetcher, and what it reported.
struct Rig
{
    explicit Rig(const Support::SystemFacts& facts = TestSupport::Facts()) : session(facts, settings, fetcher)
    {
        QObject::connect(&session, &Session::rowSelected,
                         [this](int selected, bool centred) { row = centred ? selected : -2; });
        QObject::connect(&session, &Session::dayCountChanged, [this](int count) { announced = count; });
        QObject::connect(&session, &Session::loadFailed,
                         [this](Quotes::BackfillCode code) { codes << int(code); });
        QObject::connect(&session, &Session::downloadTimerSet, [this](int ms) { interval = ms; });
        session.SetSaveFailureAsker([this](const std::string&) {
            ++questions;
            return SaveFailureAnswer::CloseWithoutSaving;
        });
    }
    const EntryList& Items() const { return session.Series().Items(); }
    DayEntry Selected() const { return row >= 0 && row < int(Items().size()) ? Items()[row] : DayEntry{}; }

    TestSupport::ScriptedFetcher fetcher;
    ProgramSettings settings;
    Session session;
    int row = -1; // the centred row selected last
    int announced = -1;
    QList<int> codes;
    int interval = -1;
    int questions = 0; // after a failed save at closing
};

// The series holds `count` entries up to 31 days after today, today's entry is selected and
// centred, and the quote schedule is tested again after one second.
void VerifyShown(const Rig& rig, int count)
{
    QCOMPARE(int(rig.Items().size()), count);
    QCOMPARE(EntryDay(rig.Items().back()), Today + 31);
    QCOMPARE(rig.row, count - 32);
    QCOMPARE(EntryDay(rig.Selected()), Today);
    QCOMPARE(rig.interval, 1000);
}

// The back-fill cases: a monday evening in June 2012, after the close. The history's newest
// three days, 41063 ... 41065, are also the list's first days; the ten newest are held back.
const QDateTime MondayEvening(QDate(2012, 6, 11), QTime(21, 0));
const EntryList Stored =
    L("41053:307,00 41054:307,50 41055:307,00 41056:307,00 41057:307,10 41058:307,00 "
      "41059:306,90 41060:307,00 41061:307,00 41062:307,20 41063:308,00 41064:309,00 41065:310,00");
const QByteArray ThreeLines = "120605: 310.00\n120606: 311.50\n120607: 312.45\n"; // 45 characters
const QByteArray List = "120604: 309.00\n" + ThreeLines;
const EntryList Added = L("41066:311,50 41067:312,45");
} // namespace

class SessionHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        // Not a first start: the day count is the one stored (firstStart covers the other case).
        TestSupport::IniFile().setValue("Defaults/Dagen", 200);
        Support::Clock::Set(QDateTime(TodayDate, QTime(12, 0)));
        Support::SetRegional(Support::RegionalSettings::Dutch());
    }
    void cleanup() { Support::Clock::Reset(); }

    // The history read while the windows are made is the one loading shows, unless the day
    // changed meanwhile: then the file is read again for the new day (a line 31 days ahead of
    // the new day was beyond the old day's reach). What an interrupted save left beside it is
    // removed and reported, read ahead or not; other files stay.
    void prefetchedRead_data()
    {
        QTest::addColumn<int>("daysBefore"); // how long before today the read began
        QTest::newRow("the same day") << 0;
        QTest::newRow("the day before") << 1;
    }
    void prefetchedRead()
    {
        QFETCH(int, daysBefore);
        const DayEntry ahead = MakeEntry(Today + History::FutureDays, "4,61");
        EntryList days = Consecutive(Today - 300, Today - 3);
        days.push_back(ahead);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(days)));
        const QString leftover = HistoryPath() + ".AbCdEf";
        const QString other = HistoryPath() + ".notes";
        const auto leaveFiles = [&] {
            QVERIFY(TestSupport::WriteFile(leftover, "1 - 2\r\n") && TestSupport::WriteFile(other, "x"));
            QTest::ignoreMessage(QtWarningMsg,
                                 "Removed AEX.dat.AbCdEf, left over from an interrupted save of the history");
        };
        EntryList unprefetched;
        {
            leaveFiles();
            Rig rig;
            rig.fetcher.Settle(&Session::Start, rig.session);
            unprefetched = rig.Items();
            QVERIFY(!QFileInfo::exists(leftover));
        }
        leaveFiles();
        Support::Clock::Set(QDateTime(TodayDate.addDays(-daysBefore), QTime(23, 59)));
        Rig rig;
        rig.session.PrefetchHistory();
        Support::Clock::Set(QDateTime(TodayDate, QTime(12, 0)));
        rig.fetcher.Settle(&Session::Start, rig.session);
        QCOMPARE(rig.Items(), unprefetched);
        QVERIFY(Contains(rig.Items(), ahead));
        QVERIFY(!QFileInfo::exists(leftover) && QFileInfo::exists(other));
    }

    // What loading makes of AEX.dat, what a change of the day count shows, and what closing
    // writes, offline. Every day of the file with a value keeps it; the written file runs one
    // line a day from its first day to today, the days after the file's newest with "0,0". A
    // file with lines passed over goes to AEX.dat.bak, one that gave markedly fewer values than
    // it carries also to a time-stamped backup that later starts leave alone. A file that
    // cannot be read is left as it is; with none and nothing to write, none is made.
    void loadAndClose_data()
    {
        QTest::addColumn<QByteArray>("file"); // "-" for none, "<folder>"
        QTest::addColumn<int>("count");       // of the series after loading
        QTest::addColumn<EntryList>("keeps"); // the file's entries: the written file begins with them
        QTest::addColumn<int>("backups");     // 1: AEX.dat.bak, 2: also the time-stamped one
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        QTest::newRow("the shipped history") << starter << 201 << FileLines(starter) << 0;
        const EntryList offline =
            L("46060:996,58 46061:997,80 46062:999,03 46063:1004,14 46064:1001,20 46065:998,75 "
              "46066:1002,40 46067:999,00 46068:1003,10 46069:1001,00 46070:1004,00 46071:1000,50");
        // The series begins with the oldest of the file's days that it reaches.
        QTest::newRow("newest days held back: shown as stored") << FileText(offline) << 44 << offline << 0;
        // Files edited by hand: which lines are read, tst_historyfile; here which backups follow.
        const EntryList days = Consecutive(Today - 398, Today - 3);
        QTest::newRow("an older line appended") << FileText(days) + "40000 - 500,00\r\n" << 201 << days << 1;
        // Before, the days up to a line far ahead (a clock set wrong) filled the history with
        // "0,0", the series lay in the future and no later day was ever stored.
        const EntryList recent = Consecutive(Today - 300, Today - 3);
        QTest::newRow("a stray line far ahead") << FileText(recent) + "60000 - 1234,5\r\n"
                                                << 201 << recent << 1;
        QTest::newRow("binary garbage")
            << QByteArray(5000, '\x01') + "\r\n\xff\xfe" << 201 << EntryList{} << 2;
        // Bad files.
        QTest::newRow("missing") << QByteArray("-") << 201 << EntryList{} << 0;
        QTest::newRow("empty") << QByteArray() << 201 << EntryList{} << 0;
        QTest::newRow("a folder in its place") << QByteArray("<folder>") << 201 << EntryList{} << 0;
        // Every line is held back, and shown: from day 46001 to 31 days after today, 46104.
        QTest::newRow("ten lines") << FileText(Consecutive(46000, 46009)) << 104 << Consecutive(46000, 46009)
                                   << 0;
        QTest::newRow("no value of 0.1 or more")
            << FileText(L("46000:0,0 46001:0,05 46002:0")) << 201 << EntryList{} << 0;
        QTest::newRow("ends long before today")
            << FileText(Consecutive(45000, 45700)) << 201 << Consecutive(45000, 45700) << 0;
    }
    void loadAndClose()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        QFETCH(EntryList, keeps);
        QFETCH(int, backups);
        if (file == "<folder>")
            QVERIFY(QDir().mkpath(HistoryPath() + "/inside"));
        else if (file != "-")
            QVERIFY(TestSupport::WriteFile(HistoryPath(), file));
        {
            Rig rig;
            rig.fetcher.Settle(&Session::Start, rig.session);
            VerifyShown(rig, count);
            QCOMPARE(rig.session.FreshHistoryCopy(), file == "-");
            if (!keeps.empty()) {
                // The file's days in the series' reach stand as stored; when its newest is among
                // them, the days after it up to today show that value carried forward.
                const int first = EntryDay(rig.Items().front());
                for (const DayEntry& entry : keeps)
                    if (EntryDay(entry) >= first)
                        QVERIFY2(Contains(rig.Items(), entry), LineOf(entry));
                const DayEntry newest = keeps.back();
                if (EntryDay(newest) >= first && EntryDay(newest) < Today) {
                    const std::string value = newest.value;
                    QVERIFY(Contains(rig.Items(), MakeEntry(EntryDay(newest) + 1, value)));
                    QCOMPARE(rig.Selected(), MakeEntry(Today, value));
                }
            }
            if (keeps.size() > std::size_t(HeldBackCount))
                QCOMPARE(rig.session.LastStoredEntry(), keeps[keeps.size() - HeldBackCount - 1]);

            // Smaller, then every day of the file (no more than asked), and smaller again.
            for (const int dayCount : {35, 20000, 35}) {
                rig.interval = -1;
                rig.session.ChangeDayCount(dayCount);
                if (dayCount < 200) {
                    QCOMPARE(int(rig.Items().size()), dayCount);
                } else if (!keeps.empty()) {
                    QCOMPARE(rig.Items().front(), keeps.front());
                    QCOMPARE(int(rig.Items().size()), Today + 31 - EntryDay(keeps.front()) + 1);
                }
                QVERIFY(int(rig.Items().size()) <= dayCount);
                QCOMPARE(EntryDay(rig.Selected()), Today);
                QVERIFY(rig.session.RollPending());
                QCOMPARE(rig.interval, 1000);
            }
            const HistorySave expected = file == "-"            ? HistorySave::NotNeeded
                                         : file.startsWith('<') ? HistorySave::LeftUnreadable
                                                                : HistorySave::Written;
            QCOMPARE(rig.session.CloseHistory(CloseKind::User), expected);
            QCOMPARE(rig.questions, 0);
        }

        if (file == "-" || file.startsWith('<')) { // nothing written, nothing left beside it
            QCOMPARE(QFileInfo(HistoryPath()).isDir(), file == "<folder>");
            QVERIFY(!QFileInfo(HistoryPath()).isFile());
            QCOMPARE(QDir(TestSupport::DataFolder())
                         .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                     file == "-" ? QStringList{} : QStringList{"AEX.dat"});
            return;
        }
        const QByteArray text = TestSupport::ReadFile(HistoryPath());
        QCOMPARE(text.count('\n'), text.count("\r\n"));
        const EntryList after = FileLines(text);
        const EntryList read = ReadHistoryText(file.toStdString()).entries;
        for (std::size_t i = 1; i < after.size(); ++i)
            QCOMPARE(EntryDay(after[i]), EntryDay(after[i - 1]) + 1);
        if (!read.empty()) {
            QVERIFY(!after.empty());
            QCOMPARE(EntryDay(after.back()), Today);
        }
        for (const DayEntry& entry : read)
            if (HasValue(entry) && EntryDay(entry) <= Today)
                QVERIFY2(Contains(after, entry), LineOf(entry));
        if (!keeps.empty()) {
            QCOMPARE(EntryList(after.begin(), after.begin() + std::ptrdiff_t(keeps.size())), keeps);
            for (std::size_t i = keeps.size(); i < after.size(); ++i) // offline: no value was obtained
                QCOMPARE(after[i], MakeEntry(EntryDay(after[i]), "0,0"));
        }
        QCOMPARE(TestSupport::ReadFile(HistoryPath() + ".bak"), backups > 0 ? file : QByteArray());
        const QString keptName = HistoryPath() + ".20260220-120000.bak";
        QCOMPARE(QFileInfo::exists(keptName), backups > 1);
        if (backups > 1)
            QCOMPARE(TestSupport::ReadFile(keptName), file);

        // The next start reads the written file in full and keeps no further backup.
        Support::Clock::Set(QDateTime(TodayDate, QTime(12, 5)));
        Rig next;
        next.fetcher.Settle(&Session::Start, next.session);
        QCOMPARE(next.session.HistoryFileStatus(), LoadStatus::Read);
        QCOMPARE(next.session.CloseHistory(CloseKind::User), HistorySave::Written);
        QCOMPARE(QDir(TestSupport::DataFolder()).entryList({"AEX.dat.*.bak"}, QDir::Files).size(),
                 backups / 2);
    }

    // A first start (no day count stored) opens on the history's newest values: the default
    // day count when it shows enough of them, more when the history ends long before today.
    // A stored day count is always kept. The newest day with a price is the one the plot's note
    // names (the note's text for that day: tst_chartdrawing::plotNoteText).
    void firstStart_data()
    {
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<bool>("listed"); // the closing-prices list holds the weekdays since, up to yesterday
        QTest::addColumn<int>("dayCount");
        QTest::newRow("recent history") << Today - 3 << false << false << 200;
        QTest::newRow("ten months old") << Today - 301 << false << false << 515;
        QTest::newRow("ten months old, count stored") << Today - 301 << true << false << 200;
        QTest::newRow("ten months old, the list brings it up to yesterday")
            << Today - 301 << false << true << 200;
    }
    void firstStart()
    {
        QFETCH(int, lastDay);
        QFETCH(bool, stored);
        QFETCH(bool, listed);
        QFETCH(int, dayCount);
        if (!stored)
            TestSupport::IniFile().remove("Defaults/Dagen");
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Consecutive(lastDay - 400, lastDay))));
        Rig rig;
        QByteArray list;
        for (int day = lastDay + 1; listed && day < Today; ++day)
            if (Support::DateOfDay(day).dayOfWeek() <= 5)
                list += Support::DateOfDay(day).toString("yyMMdd").toLatin1() + ": 462.50\n";
        const int newestListed = listed ? Today - 1 : lastDay; // today is a friday
        rig.fetcher.Answer(list.toStdString());
        rig.fetcher.Settle(&Session::Start, rig.session);
        QCOMPARE(rig.session.DayCount(), dayCount);
        QCOMPARE(rig.announced, dayCount == 200 ? -1 : dayCount);
        VerifyShown(rig, dayCount + 1);
        QCOMPARE(Chart::MakeScale(rig.Items(), 560, 480).HasValues,
                 dayCount > 200 || newestListed > Today - 169);
        QCOMPARE(rig.session.LastValuedDay(), newestListed);
        rig.session.StoreWindow(1, 1, 720, 540);
        QCOMPARE(TestSupport::IniFile().value("Defaults/Dagen").toInt(), dayCount);
    }

    // The back-fill at a first run, with the starter history copied: the list's days after the
    // newest stored day go into the series and, at closing, into the file; a failure is reported
    // with its code. The fresh copy counts as brought up to date once a list of some length came.
    void backfill_data()
    {
        QTest::addColumn<QByteArray>("page"); // the fetch's answer; none: no connection
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<int>("code"); // -1: not due, no fetch
        QTest::addColumn<EntryList>("added");
        QTest::addColumn<bool>("freshCopyAfter");
        QTest::newRow("list read") << List << MondayEvening << 0 << Added << false;
        // The newest day of the history (the ten held back aside), 41055, has its close.
        QTest::newRow("not due: no fetch")
            << List << QDateTime(Support::DateOfDay(41056), QTime(19, 59)) << -1 << EntryList{} << true;
        QTest::newRow("no connection: code 1") << QByteArray() << MondayEvening << 1 << EntryList{} << true;
        QTest::newRow("49 characters: code 2") << ThreeLines + "xxx\n"
                                               << MondayEvening << 2 << EntryList{} << true;
        QTest::newRow("an error page: code 3")
            << QByteArray("<html><head><title>Niet gevonden</title></head><body></body></html>\n")
            << MondayEvening << 3 << EntryList{} << false;
        QTest::newRow("last value 0: code 4, earlier days kept") << List + "120608: 0\n"
                                                                 << MondayEvening << 4 << Added << false;
    }
    void backfill()
    {
        QFETCH(QByteArray, page);
        QFETCH(QDateTime, now);
        QFETCH(int, code);
        QFETCH(EntryList, added);
        QFETCH(bool, freshCopyAfter);
        Support::Clock::Set(now);
        TestSupport::IniFile().setValue("Sources/ClosingPricesSite", "http://slotkoersen.test/");
        QTemporaryDir program;
        QVERIFY(TestSupport::WriteFile(program.filePath("AEX.dat"), FileText(Stored)));
        Support::SystemFacts facts = TestSupport::Facts();
        facts.programFolder = QFile::encodeName(program.path()).toStdString();
        Rig rig(facts);
        rig.fetcher.Answer(page.toStdString());
        rig.fetcher.Settle(&Session::Start, rig.session);

        QCOMPARE(rig.codes, code > 0 ? QList<int>{code} : QList<int>{});
        QCOMPARE(rig.session.FreshHistoryCopy(), freshCopyAfter);
        QCOMPARE(int(rig.fetcher.Requests().size()), code < 0 ? 0 : 1);
        for (const Quotes::FetchRequest& request : rig.fetcher.Requests()) {
            QCOMPARE(request.url, std::string("http://slotkoersen.test/Beurs/Slotkoersen/.a/aex-index"));
            QCOMPARE(request.access, Quotes::INTERNET_OPEN_TYPE_DIRECT); // never through the user's proxy
            QCOMPARE(request.options.totalTimeoutMs, Session::ListFetchBoundMs);
        }
        for (const DayEntry& entry : Added)
            QVERIFY2(Contains(rig.Items(), entry) == Contains(added, entry), LineOf(entry));
        QCOMPARE(rig.interval, 1000); // the quote schedule starts when the back-fill is over

        QCOMPARE(rig.session.CloseHistory(CloseKind::User), HistorySave::Written);
        const EntryList written = FileLines(TestSupport::ReadFile(HistoryPath()));
        QCOMPARE(EntryList(written.begin(), written.begin() + std::ptrdiff_t(Stored.size())), Stored);
        for (const DayEntry& entry : added)
            QVERIFY2(Contains(written, entry), LineOf(entry));
    }

    // A run that starts without a connection and goes on for the day: the back-fill is tried
    // again on the schedule's ticks (its failure shown once), fills the gap when the list answers
    // without touching the day's quote, and from 20:00 brings the day's official close, which
    // goes before the quote. Tuesday 12 June 2012; the history ends on Tuesday 5 June.
    void backfillKeepsTrying()
    {
        {
            QSettings ini = TestSupport::IniFile();
            ini.setValue("Sources/ClosingPricesSources", "list");
            ini.setValue("Sources/QuoteSources", "page");
        }
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Stored)));
        const QDate tuesday(2012, 6, 12);
        const int today = Support::DayNumber(tuesday);
        Support::Clock::Set(QDateTime(tuesday, QTime(10, 0)));
        Rig rig;
        rig.fetcher.Settle(&Session::Start, rig.session);
        QCOMPARE(rig.codes, QList<int>{1});
        const auto tick = [&rig](int minutes, const std::string& answer) {
            Support::Clock::Advance(minutes * 60000);
            rig.fetcher.Answer(answer);
            QVERIFY(rig.session.DownloadDue());
            rig.fetcher.Settle(&Session::Download, rig.session);
        };
        // No back-fill before its wait is over: the quote comes first.
        tick(0, "<div>Beurs;12-06-12 10:00<a>HOME</a></div><p>AEX 315,00 (+1,00) 0,32%</p>");
        QVERIFY(Contains(rig.Items(), MakeEntry(today, "315,00")));
        tick(1, ""); // the back-fill again, still without a connection: no second message
        QCOMPARE(rig.codes, QList<int>{1});
        const std::size_t asked = rig.fetcher.Requests().size();
        tick(2, (List + "120608: 313.00\n120611: 314.00\n").toStdString());
        QCOMPARE(rig.fetcher.Requests().size(), asked + 1);
        QCOMPARE(rig.fetcher.Requests().back().url.substr(rig.fetcher.Requests().back().url.size() - 9),
                 std::string("aex-index"));
        for (const DayEntry& entry : Added)
            QVERIFY2(Contains(rig.Items(), entry), LineOf(entry));
        QVERIFY(Contains(rig.Items(), MakeEntry(41068, "313,00")));
        QVERIFY(Contains(rig.Items(), MakeEntry(41071, "314,00")));
        QVERIFY(Contains(rig.Items(), MakeEntry(today, "315,00")));
        QCOMPARE(rig.codes, QList<int>{1});
        // Read today: not asked again before the day's close is available.
        Support::Clock::Set(QDateTime(tuesday, QTime(19, 59)));
        QVERIFY(!rig.session.DownloadDue());
        Support::Clock::Set(QDateTime(tuesday, QTime(20, 0)));
        tick(0, (List + "120611: 314.00\n120612: 316.00\n").toStdString());
        QVERIFY(Contains(rig.Items(), MakeEntry(today, "316,00")));

        QCOMPARE(rig.session.CloseHistory(CloseKind::User), HistorySave::Written);
        const EntryList written = FileLines(TestSupport::ReadFile(HistoryPath()));
        for (const DayEntry& entry :
             {MakeEntry(41067, "312,45"), MakeEntry(41071, "314,00"), MakeEntry(today, "316,00")})
            QVERIFY2(Contains(written, entry), LineOf(entry));
    }

    // What happens while the list is on its way, after loading has returned: the file's days are
    // shown at once, no quote is fetched and the schedule does not start; the listed days are
    // shown when the list lands, and only then does the schedule start. A day count the user sets
    // meanwhile is shown at once and kept when the list lands (also on a first start, whose longer
    // count it replaces); closing cancels the fetch and saves the history as loaded.
    void whileTheBackfillRuns_data()
    {
        QTest::addColumn<bool>("firstStart");
        QTest::addColumn<int>("dayCount"); // set while the list is on its way; 0: none
        QTest::addColumn<bool>("closed");  // before the list lands

        QTest::newRow("list lands") << false << 0 << false;
        QTest::newRow("day count changed") << false << 60 << false;
        QTest::newRow("first start, day count changed") << true << 60 << false;
        QTest::newRow("closed") << false << 0 << true;
        QTest::newRow("day count changed, then closed") << false << 60 << true;
    }
    void whileTheBackfillRuns()
    {
        QFETCH(bool, firstStart);
        QFETCH(int, dayCount);
        QFETCH(bool, closed);
        Support::Clock::Set(MondayEvening);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Stored)));
        if (firstStart)
            TestSupport::IniFile().remove("Defaults/Dagen");
        Rig rig;
        QSignalSpy busy(&rig.session, &Session::busyChanged);
        QSignalSpy shown(&rig.session, &Session::seriesChanged);
        rig.fetcher.SetHolding(true);
        rig.fetcher.Answer(List.toStdString());
        rig.session.Start();
        QVERIFY(rig.session.BackfillRunning());
        QCOMPARE(busy, QList<QVariantList>{{true}});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(EntryDay(rig.Items().back()), Support::DayNumber(MondayEvening.date()) + 31);
        for (const DayEntry& entry : Added)
            QVERIFY2(!Contains(rig.Items(), entry), LineOf(entry));
        QVERIFY(!rig.session.DownloadDue());
        rig.session.DownloadQuote();
        QCOMPARE(rig.fetcher.Requests().size(), 1u);
        const EntryList loaded = rig.Items();
        if (dayCount > 0) {
            rig.session.ChangeDayCount(dayCount);
            QVERIFY(rig.Items() != loaded);
        }
        QCOMPARE(rig.interval, -1);

        if (closed) {
            QVERIFY(rig.session.StartClosing());
            QCOMPARE(rig.fetcher.Cancelled(), 1);
            QCOMPARE(busy.size(), 2);
            QCOMPARE(rig.session.CloseHistory(CloseKind::Unattended), HistorySave::Written);
            const EntryList written = FileLines(TestSupport::ReadFile(HistoryPath()));
            QVERIFY(std::equal(Stored.begin(), Stored.end(), written.begin()));
            for (const DayEntry& entry : Added)
                QVERIFY2(!Contains(written, entry), LineOf(entry));
            QCOMPARE(rig.interval, -1);
            return;
        }
        const int shownBefore = int(shown.size());
        QVERIFY(rig.fetcher.Release());
        QCOMPARE(shown.size(), shownBefore + 1);
        QCOMPARE(busy, QList<QVariantList>({{true}, {false}}));
        QCOMPARE(rig.interval, 1000);
        QVERIFY(rig.codes.isEmpty());
        QCOMPARE(rig.session.DayCount(), dayCount > 0 ? dayCount : 200);
        for (const DayEntry& entry : Added)
            QVERIFY2(Contains(rig.Items(), entry), LineOf(entry));
        // As a start with that day count stored shows it when the list comes at once.
        TestSupport::IniFile().setValue("Defaults/Dagen", rig.session.DayCount());
        Rig stored;
        stored.fetcher.Answer(List.toStdString());
        stored.fetcher.Settle(&Session::Start, stored.session);
        QCOMPARE(rig.Items(), stored.Items());
    }

    // A back-fill held (as the program holds its start's until its window is on the screen) is
    // asked for at the release; a session that is closing by then asks nothing.
    void heldBackfill_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::newRow("released") << false;
        QTest::newRow("closing before the release") << true;
    }
    void heldBackfill()
    {
        QFETCH(bool, closing);
        Support::Clock::Set(MondayEvening);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Stored)));
        Rig rig;
        rig.session.HoldBackfill();
        rig.fetcher.Answer(List.toStdString());
        rig.fetcher.Settle(&Session::Start, rig.session);
        QVERIFY(rig.fetcher.Requests().empty());
        if (closing)
            QVERIFY(rig.session.StartClosing());
        rig.fetcher.Settle(&Session::ReleaseBackfill, rig.session);
        QCOMPARE(int(rig.fetcher.Requests().size()), closing ? 0 : 1);
    }

    // The history cannot be saved at closing: the user is asked, as often as he asks to try
    // again; a close by a signal or the session's end asks nobody. The previous file stays
    // whole whenever nothing is written. (Closing without a failure asks nobody: loadAndClose.)
    // Beside AEX.dat, what an interrupted save left is removed at start, and nothing else is.
    void saveFailsAtClosing_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("answers"); // R: retry once the folder is writable again,
                                              // r: retry as it is, C: close without saving
        // Tried again once the folder is writable, after a retry that failed once more.
        QTest::newRow("fails twice, then written") << int(CloseKind::User) << "rR";
        QTest::newRow("user closes without saving") << int(CloseKind::User) << "C";
        QTest::newRow("signal or logout") << int(CloseKind::Unattended) << "";
    }
    void saveFailsAtClosing()
    {
#ifdef Q_OS_WIN
        QSKIP("a read-only folder on Windows still takes new files");
#else
        QFETCH(int, kind);
        QFETCH(QString, answers);
        const QByteArray stored = FileText(Consecutive(Today - 300, Today - 3));
        for (const char* name : {"", ".NAijoH", ".backup", ".bak"})
            QVERIFY(TestSupport::WriteFile(HistoryPath() + name, stored));
        QTest::ignoreMessage(QtWarningMsg,
                             "Removed AEX.dat.NAijoH, left over from an interrupted save of the history");
        const QString folder = TestSupport::DataFolder();
        // Root writes into a read-only folder: the write is made as the user nobody instead.
        const bool root = geteuid() == 0;
        const auto setWritable = [&](bool writable) {
            if (root && writable)
                QVERIFY(seteuid(0) == 0);
            QFile::Permissions permissions =
                QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
            if (writable)
                permissions |= QFile::WriteOwner;
            QVERIFY(QFile::setPermissions(folder, permissions));
            if (root && !writable)
                QVERIFY(seteuid(65534) == 0);
        };
        QStringList questions;
        Rig rig;
        rig.fetcher.Settle(&Session::Start, rig.session);
        VerifyShown(rig, 201);
        QVERIFY(!QFileInfo::exists(HistoryPath() + ".NAijoH"));
        rig.session.SetSaveFailureAsker([&](const std::string& path) {
            const QChar answer =
                questions.size() < answers.size() ? answers.at(questions.size()) : QChar('C');
            questions << QString::fromStdString(path);
            if (answer != 'r')
                setWritable(true);
            return answer == 'C' ? SaveFailureAnswer::CloseWithoutSaving : SaveFailureAnswer::Retry;
        });
        setWritable(false);
        const HistorySave saved = rig.session.CloseHistory(CloseKind(kind));
        setWritable(true);
        const bool written = answers.endsWith('R');
        QCOMPARE(saved, written ? HistorySave::Written : HistorySave::Failed);
        QCOMPARE(questions, QStringList(answers.size(), HistoryPath()));
        const QByteArray after = TestSupport::ReadFile(HistoryPath());
        if (written)
            QVERIFY(after.startsWith(stored) && EntryDay(FileLines(after).back()) == Today);
        else
            QCOMPARE(after, stored);
        QCOMPARE(QDir(folder).entryList(QDir::Files),
                 (QStringList{"AEX.dat", "AEX.dat.backup", "AEX.dat.bak"}));
        for (const char* name : {".backup", ".bak"})
            QCOMPARE(TestSupport::ReadFile(HistoryPath() + name), stored);
#endif
    }
};

QTEST_GUILESS_MAIN(SessionHistoryTest)
#include "tst_sessionhistory.moc"
