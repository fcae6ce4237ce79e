// Building the shown series from the history, and following a change of the day count.
#include "HistoryTestSupport.h"
#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesResize.h"

using namespace History;

namespace {
std::vector<int> Days(const EntryList& items)
{
    std::vector<int> days;
    for (const DayEntry& item : items)
        days.push_back(EntryDay(item));
    return days;
}

EntryList DaysOnly(std::initializer_list<int> days)
{
    EntryList items;
    for (int day : days)
        items.push_back(MakeEntry(day, "5"));
    return items;
}

bool Contains(const EntryList& items, std::string_view line)
{
    return std::find(items.begin(), items.end(), ReadEntryLine(line)) != items.end();
}

// Whether the filling wrote the entry of `line`'s day, with that value.
bool Filled(const EntryList& items, std::string_view line)
{
    const DayEntry entry = ReadEntryLine(line);
    const auto at = std::find(items.begin(), items.end(), entry);
    return at != items.end() && at->origin == Origin::Filled;
}
} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class SeriesTest : public QObject
{
    Q_OBJECT

private slots:
    void closeShortGaps_data()
    {
        QTest::addColumn<EntryList>("items");
        QTest::addColumn<std::vector<int>>("days");
        QTest::newRow("a weekend: both passes")
            << DaysOnly({99, 100, 103}) << std::vector<int>{99, 100, 101, 102, 103};
        QTest::newRow("a longer gap keeps its first missing days")
            << DaysOnly({99, 100, 105}) << std::vector<int>{99, 100, 103, 104, 105};
        QTest::newRow("one missing day") << DaysOnly({1, 3}) << std::vector<int>{1, 2, 3};
        QTest::newRow("single entry") << DaysOnly({7}) << std::vector<int>{7};
        QTest::newRow("empty") << EntryList{} << std::vector<int>{};
        EntryList long_ = DaysOnly({1, 5});
        for (int day = 6; day < 40; ++day)
            long_.push_back(MakeEntry(day, "5"));
        QTest::newRow("gaps before the last 31 positions stay") << long_ << Days(long_);
    }
    void closeShortGaps()
    {
        QFETCH(EntryList, items);
        QFETCH(std::vector<int>, days);
        CloseShortGaps(items);
        QCOMPARE(Days(items), days);
        for (const DayEntry& item : items)
            QVERIFY(item.value == "5" || (item.value == "0,0" && item.origin == Origin::Filled));
    }

    void fillSeries_data()
    {
        QTest::addColumn<EntryList>("items");
        QTest::addColumn<char>("separator");
        QTest::addColumn<EntryList>("filled");
        QTest::newRow("300 to 310 with a comma")
            << L("1:300 2:0,0 3:0,0 4:0,0 5:310") << ',' << L("1:300 2:302,50 3:305,00 4:307,50 5:310");
        QTest::newRow("300 to 310 with a point")
            << L("1:300 2:0,0 3:0,0 4:0,0 5:310") << '.' << L("1:300 2:302.50 3:305.00 4:307.50 5:310");
        QTest::newRow("leading fill takes the first value's text")
            << L("1:0,0 2:0,0 3:5,5 4:0,0 5:7,5") << ',' << L("1:5,5 2:5,5 3:5,5 4:6,50 5:7,5");
        QTest::newRow("trailing fill") << L("1:5 2:0,0 3:0,0") << ',' << L("1:5 2:5 3:5");
        QTest::newRow("below 0.1 is no value") << L("1:10 2:0,05 3:20") << ',' << L("1:10 2:15,00 3:20");
        QTest::newRow("no value at all stays") << L("1:0,0 2:0,0") << ',' << L("1:0,0 2:0,0");
        QTest::newRow("a bad value is no value")
            << Lines({"1 - 4", "2 - abc", "3 - 6"}) << ',' << L("1:4 2:5,00 3:6");
        QTest::newRow("a quote value is copied without its blanks")
            << Lines({"1 - 0,0", "2 -  312,45 ", "3 - 0,0"}) << ','
            << Lines({"1 - 312,45", "2 -  312,45 ", "3 - 312,45"});
        QTest::newRow("empty") << EntryList{} << ',' << EntryList{};
    }
    void fillSeries()
    {
        QFETCH(EntryList, items);
        QFETCH(char, separator);
        QFETCH(EntryList, filled);
        const EntryList before = items;
        FillSeries(items, separator);
        QCOMPARE(items, filled);
        for (std::size_t i = 0; i < items.size(); ++i)
            QCOMPARE(items[i].origin == Origin::Filled, !(items[i] == before[i]));
    }

    void todayRow_data()
    {
        QTest::addColumn<EntryList>("items");
        QTest::addColumn<int>("row");
        const EntryList series = Consecutive(1000, 1200);
        QTest::newRow("today's entry, 32nd from the end") << series << 169;
        EntryList withoutToday = series;
        withoutToday.erase(withoutToday.begin() + 169);
        QTest::newRow("no entry for today: Count - 32") << withoutToday << 168;
        QTest::newRow("fewer than 32 entries: the first") << Consecutive(1180, 1190) << 0;
        QTest::newRow("empty") << EntryList{} << -1;
    }
    void todayRow()
    {
        QFETCH(EntryList, items);
        QFETCH(int, row);
        QCOMPARE(TodayRow(items, 1169), row);
    }

    void buildSeries_data()
    {
        QTest::addColumn<int>("historyDays"); // consecutive days up to the day before today
        QTest::addColumn<int>("gapDays");     // days between the history's end and today
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<int>("count");
        QTest::newRow("N = 200") << 1000 << 0 << 200 << 201;
        QTest::newRow("smallest day count") << 1000 << 0 << 35 << 36;
        QTest::newRow("the whole history") << 1000 << 0 << 1000 << 1001;
        QTest::newRow("history ends long before today") << 1000 << 400 << 200 << 201;
        QTest::newRow("empty history") << 0 << 0 << 200 << 201;
        QTest::newRow("history shorter than N: one entry trimmed") << 20 << 0 << 200 << 20 + 31;
    }
    void buildSeries()
    {
        QFETCH(int, historyDays);
        QFETCH(int, gapDays);
        QFETCH(int, dayCount);
        QFETCH(int, count);
        const int today = 40000;
        const int lastDay = today - 1 - gapDays;
        const EntryList history = Consecutive(lastDay - historyDays + 1, lastDay);
        const SeriesBuild build = BuildSeries(history, dayCount, today, ',');
        QCOMPARE(int(build.items.size()), count);
        QCOMPARE(EntryDay(build.items.back()), today + FutureDays);
        QCOMPARE(EntryDay(build.items[TodayRow(build.items, today)]), today);
        QCOMPARE(TodayRow(build.items, today), count - 32);
        QCOMPARE(build.lastStoredEntry, history.empty() ? DayEntry() : history.back());
        for (std::size_t i = 1; i < build.items.size(); ++i)
            QCOMPARE(EntryDay(build.items[i]), EntryDay(build.items[i - 1]) + 1);
        // The days after the history carry its last value, and count as filled in. A history
        // that ends before the series begins leaves no value to fill with.
        const bool reached = !history.empty() && lastDay > today + FutureDays - count;
        const std::string last = reached ? ValueText(history.back()) : "0,0";
        QCOMPARE(build.items.back(), MakeEntry(today + FutureDays, last));
        QVERIFY(build.obtained.empty());
        QCOMPARE(int(std::count_if(build.items.begin(), build.items.end(),
                                   [](const DayEntry& item) { return item.origin == Origin::Filled; })),
                 history.empty() ? count : std::min(count, gapDays + 32));
    }

    // Without a connection the file's newest days show their stored values, not the fill of the
    // last day before them, until the back-fill gives a value of the same day.
    void heldBackDaysShown_data()
    {
        QTest::addColumn<EntryList>("heldBack");
        QTest::addColumn<EntryList>("listed");
        QTest::addColumn<EntryList>("shownTail"); // the series from day 101 up to today, 106
        QTest::addColumn<EntryList>("obtained");

        QTest::newRow("offline: the stored values, then the last of them carried forward")
            << L("101:310 102:320 103:315") << EntryList{}
            << L("101:310 102:320 103:315 104:315 105:315 106:315") << EntryList{};
        QTest::newRow("a listed value replaces the stored one of its day")
            << L("101:310 102:320 103:315") << L("102:321,50")
            << L("101:310 102:321,50 103:315 104:315 105:315 106:315") << L("102:321,50");
        QTest::newRow("a stored day without a value is filled in")
            << L("101:310 102:0,0 103:330") << EntryList{}
            << L("101:310 102:320,00 103:330 104:330 105:330 106:330") << EntryList{};
        QTest::newRow("listed days after the stored ones")
            << L("101:310") << L("104:340 105:350")
            << L("101:310 102:320,00 103:330,00 104:340 105:350 106:350") << L("104:340 105:350");
    }
    void heldBackDaysShown()
    {
        QFETCH(EntryList, heldBack);
        QFETCH(EntryList, listed);
        QFETCH(EntryList, shownTail);
        QFETCH(EntryList, obtained);
        const EntryList history = L("96:300 97:301 98:302 99:303 100:300");
        const SeriesBuild build = BuildSeries(history, 40, 106, ',', listed, heldBack);
        QCOMPARE(build.lastStoredEntry, E("100 - 300"));
        const auto first = std::find_if(build.items.begin(), build.items.end(),
                                        [](const DayEntry& item) { return EntryDay(item) == 101; });
        QVERIFY(first != build.items.end());
        QCOMPARE(EntryList(first, first + 6), shownTail);
        QCOMPARE(build.obtained, obtained);
        for (const DayEntry& held : heldBack)
            QVERIFY2(!Filled(build.items, EntryLine(held)) || !HasValue(held), LineOf(held));
    }

    // The file's newest ten days are derived again: from the back-fill, and from the filling.
    void newestTenAreDerivedAgain()
    {
        EntryList file = Consecutive(39000, 39999);
        for (int i = 1; i <= HeldBackCount; ++i)
            file[file.size() - i] = MakeEntry(40000 - i, "999");
        const LoadedHistory loaded = SplitHeldBack(file, LoadStatus::Read);
        const int today = 40000;
        // Closing prices for a Friday and the Monday after; the weekend is missing.
        const SeriesBuild build = BuildSeries(loaded.history, 200, today, ',',
                                              {MakeEntry(39991, "401,89"), MakeEntry(39994, "404,89")});
        QCOMPARE(build.lastStoredEntry, loaded.history.back());
        QCOMPARE(EntryDay(build.lastStoredEntry), 39989);
        for (const DayEntry& item : build.items)
            QVERIFY2(item.value != "999", LineOf(item));
        QVERIFY(Contains(build.items, "39992 - 402,89")); // the weekend, interpolated
        QVERIFY(Contains(build.items, "39993 - 403,89"));
        QVERIFY(Contains(build.items, "39990 - 400,89")); // between the last stored day and Friday
        QCOMPARE(build.obtained, L("39991:401,89 39994:404,89"));
        QVERIFY(Filled(build.items, "39992 - 402,89"));
        QVERIFY(!Filled(build.items, "39994 - 404,89"));
    }

    void backfillOrderAndDuplicatesAreMended()
    {
        const EntryList history = Consecutive(39700, 39990);
        const SeriesBuild build = BuildSeries(history, 100, 40000, ',',
                                              {MakeEntry(39995, "7"),   // out of order
                                               MakeEntry(NoDay, "5"),   // no day
                                               MakeEntry(39990, "0,0"), // a day held already, without a value
                                               MakeEntry(39989, "5"),   // a day held already, a new value
                                               MakeEntry(39996, "9\r- 9,5")}); // two lines in one
        QVERIFY(Contains(build.items, "39995 - 7"));
        QVERIFY(Contains(build.items, "39990 - 399,90"));
        QVERIFY(Contains(build.items, "39989 - 5"));
        for (const DayEntry& item : build.items)
            QVERIFY2(item.value.find('\r') == std::string::npos, LineOf(item));
        for (std::size_t i = 1; i < build.items.size(); ++i)
            QVERIFY(EntryDay(build.items[i]) > EntryDay(build.items[i - 1]));
    }

    void resize_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("the loaded N + 1 to N") << 201 << 200;
        QTest::newRow("grow") << 201 << 300;
        QTest::newRow("shrink") << 300 << 35;
        QTest::newRow("to the spin box's upper bound: the whole history") << 201 << 20000;
        QTest::newRow("to the lower bound") << 16000 << 35;
        QTest::newRow("no days at all") << 201 << 0;
    }
    void resize()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        const EntryList history = Consecutive(30000, 45999);
        const int today = 46000;
        EntryList items = BuildSeries(history, from - 1, today, ',').items;
        EntryList departed;
        ResizeSeriesItems(items, to, history, 45999, departed);
        const int available = 16000 + 32; // the history, today and 31 future days
        QCOMPARE(int(items.size()), std::min(to, available));
        if (!items.empty())
            QCOMPARE(EntryDay(items.back()), today + FutureDays);
        for (std::size_t i = 1; i < items.size(); ++i)
            QCOMPARE(EntryDay(items[i]), EntryDay(items[i - 1]) + 1);
        // Only today and the future days are after the newest stored day.
        QCOMPARE(int(departed.size()), std::max(0, 32 - to));
        ResizeSeriesItems(items, from, history, 45999, departed);
        QCOMPARE(int(items.size()), std::min(from, available));
        QCOMPARE(EntryDay(items.back()), today + FutureDays);
        QVERIFY(departed.empty());
    }

    void grownEntriesStandAsTheyAre()
    {
        const EntryList history = L("1:5 2:0,0 3:0,0 4:6 5:0,0 6:7");
        EntryList items = L("4:6 5:6,50 6:7 7:7");
        EntryList departed;
        ResizeSeriesItems(items, 6, history, 6, departed);
        QCOMPARE(items, L("2:0,0 3:0,0 4:6 5:6,50 6:7 7:7"));
    }

    // The first shown entry may have been rewritten by the filling: growing finds its day.
    void growsFromAFilledFirstEntry()
    {
        const EntryList history = L("1:5 2:6 3:0,0 4:8");
        EntryList items = L("3:7,00 4:8 5:8");
        EntryList departed;
        ResizeSeriesItems(items, 5, history, 4, departed);
        QCOMPARE(items, L("1:5 2:6 3:7,00 4:8 5:8"));
    }

    // Entries after the newest stored day that a smaller count takes away stay for closing,
    // and come back when the count grows again.
    void departedEntriesComeBack()
    {
        const EntryList history = L("1:1 2:2 3:3");
        const EntryList series = L("2:2 3:3 4:4 5:5 6:6 7:7");
        EntryList items = series;
        EntryList departed;
        ResizeSeriesItems(items, 2, history, 3, departed);
        QCOMPARE(items, L("6:6 7:7"));
        QCOMPARE(departed, L("4:4 5:5"));
        ResizeSeriesItems(items, 1, history, 3, departed);
        QCOMPARE(departed, L("4:4 5:5 6:6"));
        ResizeSeriesItems(items, 7, history, 3, departed);
        QCOMPARE(items, L("1:1 2:2 3:3 4:4 5:5 6:6 7:7"));
        QVERIFY(departed.empty());
    }

    void growWithoutHistory()
    {
        EntryList items = L("10:0,0 11:0,0");
        EntryList departed;
        ResizeSeriesItems(items, 200, {}, NoDay, departed);
        QCOMPARE(items, L("10:0,0 11:0,0"));
    }
};

QTEST_GUILESS_MAIN(SeriesTest)
#include "tst_series.moc"
