#include "history/SeriesBuilder.h"

#include "support/TextFields.h"

#include <algorithm>

namespace History {

namespace {

bool IsAscending(const EntryList& items)
{
    int previous = NoDay;
    for (const DayEntry& item : items) {
        const int day = EntryDay(item);
        if (day == NoDay || day <= previous)
            return false;
        previous = day;
    }
    return true;
}

// `before` is ascending by day.
bool WasThereBefore(const DayEntry& item, const EntryList& before)
{
    const auto at = std::lower_bound(before.begin(), before.end(), item, EarlierDay);
    return at != before.end() && *at == item;
}

} // namespace

EntryList NewestEntries(const EntryList& history, int dayCount)
{
    const auto count = std::min(history.size(), static_cast<std::size_t>(std::max(0, dayCount)));
    return EntryList(history.end() - static_cast<std::ptrdiff_t>(count), history.end());
}

void Normalize(EntryList& items, const EntryList& before)
{
    // An entry is one line of the file: one with a line break in it would come back as two.
    std::erase_if(items,
                  [](const DayEntry& item) { return item.value.find_first_of("\r\n") != std::string::npos; });
    if (IsAscending(items))
        return;
    std::erase_if(items, [](const DayEntry& item) { return EntryDay(item) == NoDay; });
    std::stable_sort(items.begin(), items.end(), EarlierDay);
    EntryList kept;
    kept.reserve(items.size());
    for (std::size_t first = 0; first < items.size();) {
        const int day = EntryDay(items[first]);
        std::size_t best = first;
        int bestRank = -1;
        std::size_t i = first;
        for (; i < items.size() && EntryDay(items[i]) == day; ++i) {
            const int rank = (HasValue(items[i]) ? 2 : 0) + (WasThereBefore(items[i], before) ? 0 : 1);
            if (rank > bestRank) {
                best = i;
                bestRank = rank;
            }
        }
        kept.push_back(std::move(items[best]));
        first = i;
    }
    items = std::move(kept);
}

void CloseShortGaps(EntryList& items)
{
    for (int pass = 0; pass < 2; ++pass) {
        const std::size_t count = items.size();
        // From position Count - 30, counting from 1; the first entry has no entry before it.
        std::size_t i = std::max<std::size_t>(1, count > 31 ? count - 31 : 0);
        for (; i < items.size(); ++i) {
            const int day = EntryDay(items[i]);
            if (day - EntryDay(items[i - 1]) >= 2) {
                items.insert(items.begin() + static_cast<std::ptrdiff_t>(i),
                             MakeEntry(day - 1, NoValue, Origin::Filled));
                ++i;
            }
        }
    }
}

void ExtendToDay(EntryList& items, int lastDay, int dayCount)
{
    lastDay = std::min(lastDay, MaxDay);
    const int first =
        items.empty() ? std::max(0, lastDay - std::max(0, dayCount) - 1) : EntryDay(items.back()) + 1;
    for (int day = first; day <= lastDay; ++day)
        items.push_back(MakeEntry(day, NoValue, Origin::Filled));
}

EntryList TrimFront(EntryList& items, int dayCount)
{
    if (items.empty())
        return {};
    const std::size_t keep = static_cast<std::size_t>(std::max(0, dayCount)) + 1;
    const auto remove =
        static_cast<std::ptrdiff_t>(std::max<std::size_t>(1, items.size() > keep ? items.size() - keep : 0));
    EntryList removed(std::make_move_iterator(items.begin()),
                      std::make_move_iterator(items.begin() + remove));
    items.erase(items.begin(), items.begin() + remove);
    return removed;
}

void FillSeries(EntryList& items, char decimalSeparator)
{
    const int count = static_cast<int>(items.size());
    std::vector<double> values(items.size());
    std::vector<int> days(items.size());
    for (int i = 0; i < count; ++i) {
        values[i] = EntryValue(items[i]);
        days[i] = EntryDay(items[i]);
    }
    const auto copyValue = [&](int from, int to) {
        items[to] = MakeEntry(days[to], ValueText(items[from]), Origin::Filled);
        values[to] = values[from];
    };

    // Leading fill: the days before the first value get that value.
    const auto first = std::find_if(values.begin(), values.end(), [](double v) { return v > LeastValue; });
    const int firstValued = static_cast<int>(first - values.begin());
    if (first != values.end())
        for (int i = 0; i < firstValued; ++i)
            copyValue(firstValued, i);

    // Trailing fill: the days after the last value get that value.
    int lastValued = count - 1;
    while (lastValued >= 0 && values[lastValued] < LeastValue)
        --lastValued;
    if (lastValued >= 0)
        for (int i = lastValued + 1; i < count; ++i)
            copyValue(lastValued, i);

    // Interpolation between the values around each run of days without one.
    for (int n = count - 1; n >= 1; --n) {
        if (values[n] >= LeastValue)
            continue;
        int lo = n - 1;
        while (lo >= 0 && values[lo] < LeastValue)
            --lo;
        const int hi = n + 1;
        if (lo < 0 || hi >= count)
            break;
        for (int k = lo + 1; k < hi; ++k) {
            const double value = values[lo] + (values[hi] - values[lo]) * (k - lo) / (hi - lo);
            items[k] =
                MakeEntry(days[k], Support::FloatToFixed(value, 2, 2, decimalSeparator), Origin::Filled);
            values[k] = value;
        }
        n = lo + 1;
    }
}

int TodayRow(const EntryList& items, int today)
{
    if (items.empty())
        return -1;
    for (int row = static_cast<int>(items.size()) - 1; row >= 0; --row)
        if (EntryDay(items[row]) == today)
            return row;
    return std::clamp(static_cast<int>(items.size()) - (FutureDays + 1), 0,
                      static_cast<int>(items.size()) - 1);
}

SeriesBuild BuildSeries(const EntryList& history, int dayCount, int today, char decimalSeparator,
                        const EntryList& listed, const EntryList& heldBack)
{
    SeriesBuild build;
    EntryList items = NewestEntries(history, dayCount);
    if (!items.empty())
        build.lastStoredEntry = items.back();
    const int lastStoredDay = build.lastStoredEntry.day;

    // The file holds the held-back entries: shown as they stand, they are its values, also where
    // the back-fill's merging filled one of them in anew.
    EntryList shownHeld;
    for (const DayEntry& entry : heldBack) {
        const int day = EntryDay(entry);
        if (day != NoDay && day > lastStoredDay && day <= today + FutureDays && HasValue(entry))
            shownHeld.push_back(MakeEntry(day, entry.value, Origin::HeldBack));
    }
    if (!shownHeld.empty()) {
        const EntryList before = items;
        items.insert(items.end(), std::make_move_iterator(shownHeld.begin()),
                     std::make_move_iterator(shownHeld.end()));
        Normalize(items, before);
    }

    {
        // Normalized also with nothing listed: the history's newest entries are taken as they
        // stand, and one per day is what every later step relies on.
        const EntryList given = items;
        items.insert(items.end(), listed.begin(), listed.end());
        Normalize(items, given);
    }

    for (const DayEntry& item : items)
        if (EntryDay(item) > lastStoredDay && HasValue(item) && item.origin != Origin::HeldBack)
            build.obtained.push_back(item);

    CloseShortGaps(items);
    ExtendToDay(items, today + FutureDays, dayCount);
    for (DayEntry& removed : TrimFront(items, dayCount))
        if (EntryDay(removed) > lastStoredDay)
            build.departed.push_back(std::move(removed));
    FillSeries(items, decimalSeparator);
    // The history's days count as the history's, whatever the filling or the closing of gaps
    // wrote there.
    for (DayEntry& item : items)
        if (EntryDay(item) <= lastStoredDay && item.origin == Origin::Filled)
            item.origin = Origin::Stored;
    build.items = std::move(items);
    return build;
}

} // namespace History
