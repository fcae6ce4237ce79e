// What closing appends to the history: no day of the file loses its value, every day up to
// today is written once, none after it.
#include "HistoryTestSupport.h"
#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesResize.h"
#include "history/UnstoredDays.h"
#include "testsupport/TestSupport.h"

#include <cmath>

using namespace History;

namespace {
// The entries of `entries` that `filled` names are the filling's.
EntryList MarkFilled(EntryList entries, const EntryList& filled)
{
    for (DayEntry& entry : entries)
        if (std::find(filled.begin(), filled.end(), entry) != filled.end())
            entry.origin = Origin::Filled;
    return entries;
}

// The whole file after a run: what was read, the series built (with an optional back-fill),
// the day count changed to `dayCount`, the days appended at closing.
EntryList RunAndClose(const EntryList& file, int today, int dayCount, const EntryList& backfill = {},
                      int changedDayCount = 0)
{
    LoadedHistory loaded = SplitHeldBack(file, LoadStatus::Read);
    SeriesBuild build = BuildSeries(loaded.history, dayCount, today, ',', backfill);
    UnstoredDays unstored{loaded.heldBack, build.obtained, build.departed};
    if (changedDayCount > 0)
        ResizeSeriesItems(build.items, changedDayCount, loaded.history,
                          NewestStoredDay(loaded.history, build.lastStoredEntry), unstored.departed);
    EntryList written = loaded.history;
    const EntryList tail =
        UnstoredEntries(loaded.history, build.lastStoredEntry, build.items, unstored, today, ',');
    written.insert(written.end(), tail.begin(), tail.end());
    return written;
}

// Closes with no three days on a straight line: 900, 910, 930, 900, ...
EntryList Closes(int first, int last)
{
    static const char* const values[] = {"900", "910", "930"};
    EntryList entries;
    for (int day = first; day <= last; ++day)
        entries.push_back(MakeEntry(day, values[day % 3]));
    return entries;
}

EntryList Days(const EntryList& entries, int first, int last)
{
    EntryList part;
    for (const DayEntry& entry : entries)
        if (EntryDay(entry) >= first && EntryDay(entry) <= last)
            part.push_back(entry);
    return part;
}

// One run of the program as loading and closing do it: the file split, the days without a
// real value held back, the list merged, the series built, the days appended at closing.
EntryList StartAndClose(const EntryList& file, int today, const EntryList& listed)
{
    LoadedHistory loaded = SplitHeldBack(file, LoadStatus::Read);
    HoldBackUnreal(loaded.history, loaded.heldBack, today);
    const int lastStored = loaded.history.empty() ? NoDay : EntryDay(loaded.history.back());
    const EntryList later = MergeListed(loaded.history, loaded.heldBack, listed, lastStored, ',');
    SeriesBuild build = BuildSeries(loaded.history, 200, today, ',', later, loaded.heldBack);
    const UnstoredDays unstored{loaded.heldBack, build.obtained, build.departed};
    return loaded.history +
           UnstoredEntries(loaded.history, build.lastStoredEntry, build.items, unstored, today, ',');
}

// The history read keeps its text; then one entry per day up to today (or the file's last day).
void VerifyKeepsEveryDay(const EntryList& file, const EntryList& after, int today)
{
    QVERIFY(after.size() >= file.size());
    for (std::size_t i = 0; i + HeldBackCount < file.size(); ++i)
        QCOMPARE(after[i], file[i]);
    for (std::size_t i = 1; i < after.size(); ++i)
        QCOMPARE(EntryDay(after[i]), EntryDay(after[i - 1]) + 1);
    QCOMPARE(EntryDay(after.back()), std::max(today, EntryDay(file.back())));
}
} // namespace

class UnstoredDaysTest : public QObject
{
    Q_OBJECT

private slots:
    void unstoredEntries_data()
    {
        QTest::addColumn<EntryList>("history");
        QTest::addColumn<DayEntry>("lastStored");
        QTest::addColumn<EntryList>("series");
        QTest::addColumn<EntryList>("heldBack");
        QTest::addColumn<EntryList>("obtained");
        QTest::addColumn<EntryList>("filled");
        QTest::addColumn<EntryList>("departed");
        QTest::addColumn<int>("today");
        QTest::addColumn<EntryList>("expected");

        QTest::newRow("offline: the file's days come back, later days 0,0")
            << L("100:1") << E("100 - 1") << L("100:1 101:1 102:1 103:1 104:1") << L("101:2 102:3")
            << EntryList{} << L("101:1 102:1 103:1 104:1") << EntryList{} << 103 << L("101:2 102:3 103:0,0");
        QTest::newRow("a back-filled value replaces the file's")
            << L("100:1") << E("100 - 1") << L("100:1 101:7 102:1") << L("101:2 102:3") << L("101:7")
            << L("102:1") << EntryList{} << 102 << L("101:7 102:3");
        QTest::newRow("today's downloaded value, as it stands")
            << L("100:300") << E("100 - 300")
            << Lines({"100 - 300", "101 - 300", "102 -  310,00 ", "103 -  310,00 "}) << EntryList{}
            << EntryList{} << L("101:300") << EntryList{} << 102 << Lines({"101 - 305,00", "102 -  310,00 "});
        QTest::newRow("days without a value interpolated as the series fills them")
            << L("100:10") << E("100 - 10") << L("100:10 101:1 102:1 103:40") << EntryList{} << L("103:40")
            << L("101:1 102:1") << EntryList{} << 103 << L("101:20,00 102:30,00 103:40");
        QTest::newRow("a gap of weekdays before a quote stays 0,0: no straight line stored")
            << L("100:10") << E("100 - 10") << L("100:10 101:1 102:1 103:1 104:1 105:1 106:40") << EntryList{}
            << L("106:40") << L("101:1 102:1 103:1 104:1 105:1") << EntryList{} << 106
            << L("101:0,0 102:0,0 103:0,0 104:0,0 105:0,0 106:40");
        QTest::newRow("a file day without a value is filled")
            << L("100:3") << E("100 - 3") << L("100:3") << L("101:0,0 102:5") << EntryList{} << EntryList{}
            << EntryList{} << 102 << L("101:4,00 102:5");
        QTest::newRow("days after today are never written")
            << L("100:1") << E("100 - 1") << L("100:1 101:5 102:5 103:5") << EntryList{} << EntryList{}
            << EntryList{} << EntryList{} << 101 << L("101:5");
        QTest::newRow("the file's days after today stay")
            << L("100:1") << E("100 - 1") << L("100:1") << L("101:2 102:3 103:0,0") << EntryList{}
            << EntryList{} << EntryList{} << 101 << L("101:2 102:3 103:0,0");
        QTest::newRow("last stored entry trimmed away: found by its day")
            << L("100:1") << E("100 - 1") << L("103:1 104:1") << L("101:2") << EntryList{} << L("103:1 104:1")
            << EntryList{} << 104 << L("101:2 102:0,0 103:0,0 104:0,0");
        QTest::newRow("last stored entry rewritten by the filling")
            << L("99:4 100:0,0") << E("100 - 0,0") << L("99:4 100:4 101:4") << EntryList{} << EntryList{}
            << L("101:4") << EntryList{} << 101 << L("101:0,0");
        QTest::newRow("taken away by a smaller day count: still written")
            << L("100:1") << E("100 - 1") << L("104:4") << EntryList{} << EntryList{} << EntryList{}
            << L("101:2 102:2 103:3") << 104 << L("101:2 102:2 103:3 104:4");
        QTest::newRow("back-filled at loading, trimmed at once: still written")
            << L("100:1") << E("100 - 1") << L("104:9") << EntryList{} << L("101:2 103:4") << L("104:9")
            << EntryList{} << 104 << L("101:2 102:3,00 103:4 104:0,0");
        QTest::newRow("filled values taken away do not count")
            << L("100:1") << E("100 - 1") << L("103:3") << L("101:5") << EntryList{} << L("101:1 102:1")
            << L("101:1 102:1") << 103 << L("101:5 102:4,00 103:3");
        QTest::newRow("no history: from the first day known")
            << EntryList{} << E("") << L("50:0,0 51:0,0 52:0,0 53:0,0") << L("50:1 51:2") << EntryList{}
            << L("50:0,0 51:0,0 52:0,0 53:0,0") << EntryList{} << 53 << L("50:1 51:2 52:0,0 53:0,0");
        QTest::newRow("no history, a downloaded value")
            << EntryList{} << E("") << L("52:0,0 53:6") << EntryList{} << EntryList{} << L("52:0,0")
            << EntryList{} << 53 << L("53:6");
        QTest::newRow("nothing known")
            << EntryList{} << E("") << L("52:0,0 53:0,0") << EntryList{} << EntryList{} << L("52:0,0 53:0,0")
            << EntryList{} << 53 << EntryList{};
        QTest::newRow("stored up to today already")
            << L("100:1 101:2") << E("100 - 1") << L("101:2") << EntryList{} << EntryList{} << EntryList{}
            << EntryList{} << 101 << EntryList{};
        QTest::newRow("entries without a day are passed over")
            << L("100:1") << E("100 - 1") << Lines({"", "101 - 3", "x"}) << EntryList{} << EntryList{}
            << EntryList{} << EntryList{} << 101 << L("101:3");
    }
    void unstoredEntries()
    {
        QFETCH(EntryList, history);
        QFETCH(DayEntry, lastStored);
        QFETCH(EntryList, series);
        QFETCH(EntryList, heldBack);
        QFETCH(EntryList, obtained);
        QFETCH(EntryList, filled);
        QFETCH(EntryList, departed);
        QFETCH(int, today);
        QFETCH(EntryList, expected);
        const UnstoredDays unstored{heldBack, MarkFilled(obtained, filled), MarkFilled(departed, filled)};
        QCOMPARE(UnstoredEntries(history, lastStored, MarkFilled(series, filled), unstored, today, ','),
                 expected);
    }

    void lastValuedDay_data()
    {
        QTest::addColumn<EntryList>("history");
        QTest::addColumn<EntryList>("heldBack");
        QTest::addColumn<EntryList>("series");
        QTest::addColumn<EntryList>("filled");
        QTest::addColumn<int>("expected");
        QTest::newRow("nothing") << EntryList{} << EntryList{} << EntryList{} << EntryList{} << int(NoDay);
        QTest::newRow("only days without a value")
            << L("41060:0,0 41061:0,05") << L("41062:0,0") << L("41063:0,0") << EntryList{} << int(NoDay);
        QTest::newRow("the history's, under trailing 0,0 days")
            << L("41059:300,1 41060:0,0 41061:0,0") << EntryList{} << EntryList{} << EntryList{} << 41059;
        QTest::newRow("a held-back day is newer")
            << L("41059:300,1") << L("41060:301 41061:0,0") << EntryList{} << EntryList{} << 41060;
        QTest::newRow("the filling's values do not count")
            << L("41059:300,1") << EntryList{} << L("41059:300,1 41060:300,1 41061:300,1")
            << L("41060:300,1 41061:300,1") << 41059;
        QTest::newRow("a quote in the series")
            << L("41059:300,1") << EntryList{} << L("41059:300,1 41060:300,1 41061:302,4 41062:302,4")
            << L("41060:300,1 41062:302,4") << 41061;
        QTest::newRow("a line without a day is passed over")
            << Lines({"41059 - 300,1", "garbage 5"}) << EntryList{} << EntryList{} << EntryList{} << 41059;
    }
    void lastValuedDay()
    {
        QFETCH(EntryList, history);
        QFETCH(EntryList, heldBack);
        QFETCH(EntryList, series);
        QFETCH(EntryList, filled);
        QFETCH(int, expected);
        const UnstoredDays unstored{heldBack, {}, {}};
        QCOMPARE(LastValuedDay(history, unstored, MarkFilled(series, filled)), expected);
    }

    void holdBackUnreal_data()
    {
        QTest::addColumn<EntryList>("file");
        QTest::addColumn<int>("historyEnd"); // the last day left in the history
        QTest::addColumn<EntryList>("heldBack");

        const EntryList closes = Closes(100, 120);
        QTest::newRow("real values to the end: the newest ten") << closes << 110 << Days(closes, 111, 120);
        QTest::newRow("a gap stored as 0,0: held back with the ten days before it")
            << closes + Flat(121, 150, NoValue) << 110 << Days(closes, 111, 120) + Flat(121, 150, NoValue);
        QTest::newRow("the last value carried forward: held back")
            << closes + L("121:900 122:900 123:900 124:900") << 110
            << Days(closes, 111, 120) + L("121:900 122:900 123:900 124:900");
        QTest::newRow("a filled-in run up to a quote: the quote is real")
            << closes + L("121:920 122:910 123:900") << 113
            << Days(closes, 114, 120) + L("121:920 122:910 123:900");
        QTest::newRow("an implausible held-back value becomes 0,0")
            << Closes(100, 114) + L("115:65536 116:900") << 106
            << Days(Closes(100, 114), 107, 114) + L("115:0,0 116:900");
        QTest::newRow("nothing real: the newest ten")
            << Flat(100, 120, NoValue) << 110 << Flat(111, 120, NoValue);
    }
    void holdBackUnreal()
    {
        QFETCH(EntryList, file);
        QFETCH(int, historyEnd);
        QFETCH(EntryList, heldBack);
        LoadedHistory loaded = SplitHeldBack(file, LoadStatus::Read);
        HoldBackUnreal(loaded.history, loaded.heldBack, 200);
        QCOMPARE(loaded.history, Days(file, 0, historyEnd));
        QCOMPARE(loaded.heldBack, heldBack);
    }

    void mergeListed_data()
    {
        QTest::addColumn<EntryList>("history");
        QTest::addColumn<EntryList>("heldBack");
        QTest::addColumn<EntryList>("listed");
        QTest::addColumn<EntryList>("historyAfter");
        QTest::addColumn<EntryList>("heldBackAfter");
        QTest::addColumn<EntryList>("later");

        // 46059 is a Friday, 10 February 2026 a Tuesday (46063).
        QTest::newRow("listed values replace 0,0, the weekend between is filled in anew")
            << L("46059:995,35 46060:0,0 46061:0,0 46062:0,0 46063:0,0") << EntryList{}
            << L("46062:999,03 46063:1004,14")
            << L("46059:995,35 46060:996,58 46061:997,80 46062:999,03 46063:1004,14") << EntryList{}
            << EntryList{};
        QTest::newRow("a real stored close is never changed")
            << L("46058:990 46059:995,35") << EntryList{} << L("46059:990,00") << L("46058:990 46059:995,35")
            << EntryList{} << EntryList{};
        QTest::newRow("filled-in weekdays are replaced")
            << L("46055:900 46056:910 46057:920 46058:930 46059:925") << EntryList{}
            << L("46056:905 46057:925") << L("46055:900 46056:905 46057:925 46058:930 46059:925")
            << EntryList{} << EntryList{};
        QTest::newRow("an absurd close is replaced, the absurd weekend filled in anew")
            << L("46059:995,35 46060:22000 46061:43000 46062:65536 46063:1004,14") << EntryList{}
            << L("46062:999,03") << L("46059:995,35 46060:996,58 46061:997,80 46062:999,03 46063:1004,14")
            << EntryList{} << EntryList{};
        QTest::newRow("later days go to the series, ascending, the weekend before them filled in anew")
            << L("46058:990 46059:995,35") << L("46060:997,00 46061:998,65 46062:1000,30")
            << L("46063:1004,14 46062:999,03") << L("46058:990 46059:995,35")
            << L("46060:996,58 46061:997,80 46062:1000,30") << L("46062:999,03 46063:1004,14");
        QTest::newRow("a listed value the same to the cent keeps the stored text")
            << L("46059:995,35 46060:996.58 46061:997.80 46062:999,03") << EntryList{} << L("46059:995,35")
            << L("46059:995,35 46060:996.58 46061:997.80 46062:999,03") << EntryList{} << EntryList{};
    }
    void mergeListed()
    {
        QFETCH(EntryList, history);
        QFETCH(EntryList, heldBack);
        QFETCH(EntryList, listed);
        const int lastStored = EntryDay(history.back());
        const EntryList later = MergeListed(history, heldBack, listed, lastStored, ',');
        QTEST(history, "historyAfter");
        QTEST(heldBack, "heldBackAfter");
        QTEST(later, "later");
    }

    void quoteAnchor_data()
    {
        QTest::addColumn<EntryList>("history");
        QTest::addColumn<EntryList>("series");
        QTest::addColumn<EntryList>("filled");
        QTest::addColumn<double>("anchor");
        QTest::newRow("the newest day before today")
            << L("46055:900 46056:905") << EntryList{} << EntryList{} << 905.0;
        QTest::newRow("an absurd stored value does not anchor")
            << L("46055:900 46056:65536") << EntryList{} << EntryList{} << 900.0;
        QTest::newRow("a listed value in the series")
            << L("46055:900") << L("46055:900 46056:910 46057:910") << L("46057:910") << 910.0;
        QTest::newRow("the filling's values do not count")
            << L("46055:900") << L("46055:900 46056:900") << L("46056:900") << 900.0;
        QTest::newRow("today's own quote does not count")
            << L("46055:900") << L("46055:900 46057:1000") << EntryList{} << 900.0;
        QTest::newRow("nothing") << EntryList{} << EntryList{} << EntryList{} << 0.0;
    }
    void quoteAnchor()
    {
        QFETCH(EntryList, history);
        QFETCH(EntryList, series);
        QFETCH(EntryList, filled);
        QFETCH(double, anchor);
        const Anchor found = QuoteAnchor(history, {}, MarkFilled(series, filled), 46057);
        QCOMPARE(found.Valid() ? found.value : 0.0, anchor);
    }

    // The starter history ends on 10 February 2026. A start without a connection leaves the days
    // since without a value; a later start with the list gives every listed day its close.
    void offlineGapRepairedByALaterList()
    {
        const QByteArray starter = TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
        const EntryList file = ReadHistoryText(starter.toStdString()).entries;
        const int end = 46063;
        QCOMPARE(EntryDay(file.back()), end);
        const int firstToday = 46365; // 9 December 2026

        const EntryList offline = StartAndClose(file, firstToday, {});
        QCOMPARE(EntryList(offline.begin(), offline.begin() + static_cast<std::ptrdiff_t>(file.size())),
                 file);
        QCOMPARE(EntryList(offline.begin() + static_cast<std::ptrdiff_t>(file.size()), offline.end()),
                 Flat(end + 1, firstToday, NoValue));

        // Two days later: the list holds every weekday since the starter's last ten days.
        const int today = firstToday + 2;
        EntryList listed;
        for (int day = end - 9; day < today; ++day)
            if (!IsWeekend(day))
                listed.push_back(MakeEntry(day, day <= end ? ValueText(file[file.size() - 1 - (end - day)])
                                                           : std::to_string(900 + day % 50) + ",25"));
        const EntryList online = StartAndClose(offline, today, listed);
        QCOMPARE(EntryDay(online.back()), today);
        QCOMPARE(EntryList(online.begin(), online.begin() + static_cast<std::ptrdiff_t>(file.size())), file);
        for (const DayEntry& close : listed)
            QVERIFY2(std::find(online.begin(), online.end(), close) != online.end(), LineOf(close));
        // A weekend lies on the line from the Friday to the Monday.
        for (std::size_t i = file.size(); i < online.size(); ++i) {
            const int day = EntryDay(online[i]);
            if (!IsWeekend(day) || day >= today - 1)
                continue;
            const std::size_t friday = i - (day % 7 == 0 ? 1 : 2);
            const double from = EntryValue(online[friday]);
            const double to = EntryValue(online[friday + 3]);
            const double expected = from + (to - from) * double(i - friday) / 3.0;
            QVERIFY2(std::abs(EntryValue(online[i]) - expected) < 0.006, LineOf(online[i]));
        }
        // Only today, without a quote, has no value yet.
        const std::vector<ValueKind> kinds = ValueKinds(online);
        QCOMPARE(std::count(kinds.begin(), kinds.end(), ValueKind::Missing), 1);
        QCOMPARE(online.back(), MakeEntry(today, NoValue));
    }

    void aQuoteEqualToTheFillIsKept()
    {
        // Today's quote has the very text that the trailing fill had written for today.
        const EntryList history = L("41065:305,5");
        EntryList series = MarkFilled(L("41065:305,5 41066:305,5 41067:305,5"), L("41066:305,5 41067:305,5"));
        QCOMPARE(UnstoredEntries(history, history.back(), series, {}, 41067, ','), L("41066:0,0 41067:0,0"));
        series.back().origin = Origin::Quoted;
        QCOMPARE(UnstoredEntries(history, history.back(), series, {}, 41067, ','),
                 L("41066:305,50 41067:305,5"));
    }

    void scenarios_data()
    {
        QTest::addColumn<int>("historyEnd"); // relative to today
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<int>("changedDayCount");
        QTest::addColumn<bool>("backfill");
        QTest::newRow("closed yesterday, offline") << -1 << 200 << 0 << false;
        QTest::newRow("closed yesterday, back-filled") << -1 << 200 << 0 << true;
        QTest::newRow("history ends long before today, N = 200, offline") << -300 << 200 << 0 << false;
        QTest::newRow("history ends long before today, back-filled") << -300 << 200 << 0 << true;
        QTest::newRow("day count lowered before closing") << -60 << 200 << 35 << true;
        QTest::newRow("day count raised before closing") << -60 << 35 << 2000 << true;
        QTest::newRow("file from the future") << 40 << 200 << 0 << false;
        QTest::newRow("eleven days") << -1 << 200 << 0 << false;
    }
    void scenarios()
    {
        QFETCH(int, historyEnd);
        QFETCH(int, dayCount);
        QFETCH(int, changedDayCount);
        QFETCH(bool, backfill);
        const int today = 45000;
        const int first =
            QTest::currentDataTag() == QByteArray("eleven days") ? today + historyEnd - 10 : 40000;
        const EntryList file = Consecutive(first, today + historyEnd);
        // Closing prices for every weekday after the newest stored day up to yesterday.
        EntryList closes;
        for (int day = today + historyEnd - HeldBackCount + 1; backfill && day < today; ++day)
            if (day % 7 != 0 && day % 7 != 1)
                closes.push_back(MakeEntry(day, "777"));

        const EntryList written = RunAndClose(file, today, dayCount, closes, changedDayCount);
        VerifyKeepsEveryDay(file, written, today);
        for (const DayEntry& close : closes)
            QVERIFY(std::find(written.begin(), written.end(), close) != written.end());
        // The file's own days keep their values unless a close replaced them.
        for (std::size_t i = 0; i < file.size(); ++i)
            QVERIFY2(written[i] == file[i] || written[i].value == "777", LineOf(written[i]));
        // Read back, the same days.
        QCOMPARE(ReadHistoryText(HistoryFileText(written)).entries, written);
        // Closing twice appends nothing more.
        const UnstoredDays none;
        QCOMPARE(UnstoredEntries(written, {}, {}, none, today, ','), EntryList{});
    }
};

QTEST_GUILESS_MAIN(UnstoredDaysTest)
#include "tst_unstoreddays.moc"
