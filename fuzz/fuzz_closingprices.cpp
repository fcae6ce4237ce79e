// The closing-prices list as the back-fill reads it at loading: the due rule, the length
// check and the reading, the days put into the shown series at their sorted place, and the
// days closing then writes.
// Input: a byte for the newest stored day (days before today), a byte for the hour, then the list.

#include "FuzzSupport.h"

#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesModel.h"
#include "history/UnstoredDays.h"
#include "quotes/ClosingPrices.h"

#include <algorithm>

using namespace History;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void CheckEntries(const EntryList& entries, int lastDay, int today)
{
    for (const DayEntry& entry : entries) {
        const int day = EntryDay(entry);
        Fuzz::Check(day != NoDay, "a listed entry has a day", entry);
        Fuzz::Check(day > lastDay && day <= today,
                    "a listed entry is newer than the history and not after today", entry);
        const std::string value = ValueText(entry);
        Fuzz::Check(!value.empty() && value.size() < 10 && IsDigit(value.front()),
                    "a listed value is a short text that begins with a digit", entry);
        Fuzz::Check(ReadCentValue(value).has_value() && IsSaneValue(EntryValue(entry)),
                    "a listed value is a sane number of cents", entry);
        Fuzz::Check(entry == MakeEntry(day, value) && entry.origin == Origin::Listed,
                    "a listed entry is its day and its bare value, listed", entry);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    const int age = input.Byte() % 64;
    const int hour = input.Byte() % 24;
    const std::string page(input.Rest());
    const int today = Fuzz::Today;
    const QDateTime now(QDate(2012, 6, 7), QTime(hour, 0));

    // The reader alone, for any newest stored day.
    const int lastDay = today - age;
    const Quotes::ClosingPricesReading direct = Quotes::ReadClosingPrices(page, lastDay, today);
    CheckEntries(direct.entries, lastDay, today);

    // Loading: the history ends `age` days before today, the back-fill runs where it belongs.
    EntryList history;
    for (int day = lastDay - 250; day <= lastDay + HeldBackCount; ++day)
        history.push_back(MakeEntry(day, std::to_string(300 + day % 17) + ",25"));
    EntryList heldBack(history.end() - HeldBackCount, history.end());
    history.resize(history.size() - HeldBackCount);

    // Built first from the history alone, then again with what the list gave.
    const DayEntry lastStored = BuildSeries(history, 200, today, ',').lastStoredEntry;
    const bool due = Quotes::BackfillDue(EntryDay(lastStored), now);
    const Quotes::ClosingPricesReading reading =
        due ? Quotes::ReadFetchedList(page, now, TrustedValues(history)) : Quotes::ClosingPricesReading{};
    CheckEntries(reading.entries, NoDay, today);
    Fuzz::Check(reading.code != Quotes::BackfillCode::NoConnection || page.empty(),
                "a fetched list is never taken for no connection");
    EntryList stored = history;
    EntryList held = heldBack;
    const EntryList later = MergeListed(stored, held, reading.entries, EntryDay(lastStored), ',');
    Fuzz::Check(stored.size() == history.size() && held.size() == heldBack.size(),
                "merging the list keeps one entry per stored day");
    for (std::size_t i = 0; i < history.size(); ++i)
        Fuzz::Check(EntryDay(stored[i]) == EntryDay(history[i]) && HasValue(stored[i]),
                    "a merged history keeps its days and values", stored[i]);
    CheckEntries(later, EntryDay(lastStored), today);
    SeriesBuild build = BuildSeries(history, 200, today, ',', later);
    int previous = NoDay;
    for (const DayEntry& item : build.items) {
        const int day = EntryDay(item);
        Fuzz::Check(day != NoDay && day > previous, "the series is ascending, every entry with a day", item);
        Fuzz::Check(HasValue(item), "every entry of the filled series has a value", item);
        previous = day;
    }

    UnstoredDays unstored;
    unstored.heldBack = heldBack;
    unstored.obtained = build.obtained;
    unstored.departed = build.departed;
    const EntryList appended =
        UnstoredEntries(history, build.lastStoredEntry, build.items, unstored, today, ',');
    for (const DayEntry& entry : appended) {
        const int day = EntryDay(entry);
        if (day > today)
            Fuzz::Check(std::find(heldBack.begin(), heldBack.end(), entry) != heldBack.end(),
                        "nothing after today is written but the file's own entries", entry);
    }
    for (const DayEntry& held : heldBack) {
        if (EntryDay(held) > today)
            continue;
        const auto at = std::find_if(appended.begin(), appended.end(), [&](const DayEntry& entry) {
            return EntryDay(entry) == EntryDay(held);
        });
        Fuzz::Check(at != appended.end() && HasValue(*at), "a day of the file keeps its value", held);
    }
    return 0;
}
