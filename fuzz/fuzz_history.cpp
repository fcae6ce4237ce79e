// AEX.dat as the program loads it, the shown series built from it, a change of the day count,
// and the merge that closing writes back.
// Input: a byte for the day count, two for today, a byte of switches, then the file's text;
// after a form feed, entries that the back-fill adds.

#include "FuzzSupport.h"

#include "chart/ChartScale.h"
#include "history/HistoryFile.h"
#include "history/SeriesBuilder.h"
#include "history/SeriesResize.h"
#include "history/UnstoredDays.h"

#include <algorithm>

using namespace History;

namespace {

void CheckAscending(const EntryList& entries, const char* what)
{
    int previous = NoDay;
    for (const DayEntry& entry : entries) {
        const int day = EntryDay(entry);
        Fuzz::Check(day != NoDay, what, entry);
        Fuzz::Check(day > previous, what, entry);
        previous = day;
    }
}

void CheckRead(const ReadHistory& read)
{
    int previous = NoDay;
    for (const DayEntry& entry : read.entries) {
        const int day = EntryDay(entry);
        Fuzz::Check(day != NoDay, "every read entry has a day", entry);
        Fuzz::Check(previous == NoDay || day == previous + 1, "the read history has one entry for every day",
                    entry);
        previous = day;
    }
}

void CheckSeries(const EntryList& items, int dayCount, const char* what)
{
    CheckAscending(items, what);
    Fuzz::Check(items.size() <= static_cast<std::size_t>(dayCount) + 1, "the series keeps to its day count");
    // Once one day has a value, the filling gives every day one.
    const bool anyValue = std::any_of(items.begin(), items.end(),
                                      [](const DayEntry& item) { return EntryValue(item) > LeastValue; });
    if (anyValue)
        for (const DayEntry& item : items)
            Fuzz::Check(HasValue(item), "every entry of a filled series has a value", item);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    const int dayCount = 35 + 7 * (input.Byte() % 32);
    const int today = Fuzz::DayFrom(input);
    const std::uint8_t switches = input.Byte();
    const char separator = (switches & 1) ? '.' : ',';
    const std::string_view fileText = input.Part('\f');
    const std::string_view added = input.Rest();

    // As loading reads it: lines dated more than 31 days after today are passed over.
    ReadHistory read = ReadHistoryText(fileText, today + FutureDays);
    CheckRead(read);
    if (!read.entries.empty())
        Fuzz::Check(EntryDay(read.entries.back()) <= today + FutureDays, "no day far ahead is read",
                    read.entries.back());
    // What the program writes, it reads back unchanged.
    const ReadHistory again = ReadHistoryText(HistoryFileText(read.entries));
    Fuzz::Check(again.skippedLines == 0 && again.entries == read.entries,
                "a written history reads back the same");

    const std::size_t readCount = read.entries.size();
    LoadedHistory loaded = SplitHeldBack(std::move(read.entries), LoadStatus::Read);
    HoldBackUnreal(loaded.history, loaded.heldBack, today);
    Fuzz::Check(loaded.history.size() + loaded.heldBack.size() == readCount, "held back entries are kept");

    EntryList listed;
    for (std::string_view rest = added; !rest.empty();) {
        const auto end = rest.find('\n');
        listed.push_back(ReadEntryLine(rest.substr(0, end)));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    SeriesBuild build = BuildSeries(loaded.history, dayCount, today, separator, listed, loaded.heldBack);
    CheckSeries(build.items, dayCount, "the built series is ascending, every entry with a day");
    if (!build.items.empty())
        Fuzz::Check(EntryDay(build.items.back()) >= today + FutureDays,
                    "the series reaches 31 days after today", build.items.back());
    const int row = TodayRow(build.items, today);
    Fuzz::Check(build.items.empty() ? row == -1 : row >= 0 && row < static_cast<int>(build.items.size()),
                "today's row lies in the series");

    const Chart::ChartScale scale = Chart::MakeScale(build.items, 640, 400);
    if (scale.HasValues)
        Fuzz::Check(scale.ChartMin < scale.ChartMax && scale.ValueScale > 0.0, "the value scale is usable");

    UnstoredDays unstored;
    unstored.heldBack = loaded.heldBack;
    unstored.obtained = build.obtained;
    unstored.departed = build.departed;
    EntryList items = build.items;
    if (switches & 2) {
        const int newCount = 35 + 7 * (switches >> 2);
        ResizeSeriesItems(items, newCount, loaded.history,
                          NewestStoredDay(loaded.history, build.lastStoredEntry), unstored.departed);
        CheckAscending(items, "a resized series is ascending");
        Fuzz::Check(items.size() <= static_cast<std::size_t>(newCount),
                    "a resized series keeps to its day count");
        CheckAscending(unstored.departed, "the departed entries are ascending");
    }

    const EntryList appended =
        UnstoredEntries(loaded.history, build.lastStoredEntry, items, unstored, today, separator);
    CheckAscending(appended, "the days closing appends are ascending");
    const int stored = NewestStoredDay(loaded.history, build.lastStoredEntry);
    for (const DayEntry& entry : appended) {
        const int day = EntryDay(entry);
        Fuzz::Check(day > stored, "closing appends only days after the newest stored day", entry);
        if (day > today)
            Fuzz::Check(std::find(loaded.heldBack.begin(), loaded.heldBack.end(), entry) !=
                            loaded.heldBack.end(),
                        "nothing after today is written but the file's own entries", entry);
    }
    // No day of the file loses its value.
    for (const DayEntry& held : loaded.heldBack) {
        if (!HasValue(held) || EntryDay(held) <= stored)
            continue;
        const auto at = std::find_if(appended.begin(), appended.end(), [&](const DayEntry& entry) {
            return EntryDay(entry) == EntryDay(held);
        });
        Fuzz::Check(at != appended.end() && HasValue(*at), "a day of the file keeps its value", held);
    }

    // The history itself was read back above; what closing adds must read back too.
    if (!appended.empty() && !loaded.history.empty())
        Fuzz::Check(EntryDay(appended.front()) > EntryDay(loaded.history.back()),
                    "the written history is ascending");
    const ReadHistory reread = ReadHistoryText(HistoryFileText(appended));
    Fuzz::Check(reread.skippedLines == 0, "the days closing appends read back without skipped lines");
    return 0;
}
