#include "history/SeriesResize.h"

#include <algorithm>
#include <climits>

namespace History {

namespace {

void Shrink(EntryList& items, std::size_t count, int newestStoredDay, EntryList& departed)
{
    const auto remove = static_cast<std::ptrdiff_t>(items.size() - count);
    const std::size_t kept = departed.size();
    for (auto item = items.begin(); item != items.begin() + remove; ++item)
        if (EntryDay(*item) > newestStoredDay)
            departed.push_back(std::move(*item));
    items.erase(items.begin(), items.begin() + remove);
    if (kept > 0 && kept < departed.size() && EntryDay(departed[kept - 1]) >= EntryDay(departed[kept])) {
        // Keep the newest entry of a day: the one that left last.
        std::stable_sort(departed.begin(), departed.end(), EarlierDay);
        EntryList unique;
        for (DayEntry& entry : departed) {
            if (!unique.empty() && EntryDay(unique.back()) == EntryDay(entry))
                unique.back() = std::move(entry);
            else
                unique.push_back(std::move(entry));
        }
        departed = std::move(unique);
    }
}

void Grow(EntryList& items, std::size_t count, const EntryList& history, EntryList& departed)
{
    std::size_t needed = count - items.size();
    int before = items.empty() ? INT_MAX : EntryDay(items.front());
    EntryList older; // the nearest first
    while (needed > 0 && !departed.empty() && EntryDay(departed.back()) < before) {
        before = EntryDay(departed.back());
        older.push_back(std::move(departed.back()));
        departed.pop_back();
        --needed;
    }
    const auto end = std::lower_bound(history.begin(), history.end(), before,
                                      [](const DayEntry& entry, int day) { return EntryDay(entry) < day; });
    const auto available = static_cast<std::size_t>(end - history.begin());
    const auto taken = static_cast<std::ptrdiff_t>(std::min(needed, available));

    EntryList grown;
    grown.reserve(static_cast<std::size_t>(taken) + older.size() + items.size());
    grown.insert(grown.end(), end - taken, end);
    grown.insert(grown.end(), std::make_move_iterator(older.rbegin()), std::make_move_iterator(older.rend()));
    grown.insert(grown.end(), std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    items = std::move(grown);
}

} // namespace

void ResizeSeriesItems(EntryList& items, int dayCount, const EntryList& history, int newestStoredDay,
                       EntryList& departed)
{
    const auto count = static_cast<std::size_t>(std::max(0, dayCount));
    if (items.size() > count)
        Shrink(items, count, newestStoredDay, departed);
    else if (items.size() < count)
        Grow(items, count, history, departed);
}

} // namespace History
