#include "history/UnstoredDays.h"

#include "support/TextFields.h"

#include <algorithm>
#include <climits>

namespace History {

int NewestStoredDay(const EntryList& history, std::string_view lastStoredEntry)
{
    const int fromHistory = history.empty() ? NoDay : EntryDay(history.back());
    return std::max(EntryDay(lastStoredEntry), fromHistory);
}

int LastValuedDay(const EntryList& history, const UnstoredDays& unstored, const EntryList& series)
{
    // Every list is ascending by day: its newest valued entry is the first one met from the end.
    int last = NoDay;
    const auto newestValued = [&](const EntryList& entries, auto&& counts) {
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            const int day = EntryDay(*entry);
            if (day != NoDay && HasValue(*entry) && counts(*entry)) {
                last = std::max(last, day);
                return;
            }
        }
    };
    const auto any = [](const std::string&) { return true; };
    newestValued(history, any);
    newestValued(unstored.heldBack, any);
    newestValued(series, [&](const std::string& entry) {
        return !std::binary_search(unstored.filled.begin(), unstored.filled.end(), entry);
    });
    return last;
}

namespace {

enum class Slot : unsigned char
{
    Kept,   // an entry as it stands
    Filled, // a day up to today without a value: interpolated or "0,0"
    Absent, // a day after today that the file did not hold: not written
};

} // namespace

EntryList UnstoredEntries(const EntryList& history, std::string_view lastStoredEntry, const EntryList& series,
                          const UnstoredDays& unstored, int today, char decimalSeparator)
{
    const auto isObtained = [&](const std::string& entry) {
        return HasValue(entry) && !std::binary_search(unstored.filled.begin(), unstored.filled.end(), entry);
    };

    const int stored = NewestStoredDay(history, lastStoredEntry);
    int first = stored == NoDay ? INT_MAX : stored + 1;
    if (stored == NoDay) {
        // No history: begin with the first day anything is known of.
        for (const std::string& entry : unstored.heldBack)
            if (EntryDay(entry) != NoDay)
                first = std::min(first, EntryDay(entry));
        for (const EntryList* list : {&unstored.obtained, &unstored.departed, &series})
            for (const std::string& entry : *list)
                if (EntryDay(entry) != NoDay && isObtained(entry))
                    first = std::min(first, EntryDay(entry));
    }
    int last = today;
    for (const std::string& entry : unstored.heldBack)
        last = std::max(last, EntryDay(entry));
    last = std::min(last, MaxDay);
    if (first > last)
        return {};

    const auto size = static_cast<std::size_t>(last - first + 1);
    std::vector<const std::string*> obtained(size, nullptr);
    std::vector<const std::string*> held(size, nullptr);
    // Later lists take precedence: the series is what the run holds now.
    for (const EntryList* list : {&unstored.obtained, &unstored.departed, &series}) {
        for (const std::string& entry : *list) {
            const int day = EntryDay(entry);
            if (day >= first && day <= last && isObtained(entry))
                obtained[static_cast<std::size_t>(day - first)] = &entry;
        }
    }
    for (const std::string& entry : unstored.heldBack) {
        const int day = EntryDay(entry);
        if (day >= first && day <= last)
            held[static_cast<std::size_t>(day - first)] = &entry;
    }

    std::vector<const std::string*> kept(size, nullptr);
    std::vector<Slot> slots(size, Slot::Absent);
    for (std::size_t i = 0; i < size; ++i) {
        const int day = first + static_cast<int>(i);
        if (day <= today) {
            if (obtained[i])
                kept[i] = obtained[i];
            else if (held[i] && HasValue(*held[i]))
                kept[i] = held[i];
            slots[i] = kept[i] ? Slot::Kept : Slot::Filled;
        } else if (held[i]) {
            kept[i] = held[i];
            slots[i] = Slot::Kept;
        }
    }

    EntryList entries;
    entries.reserve(size);
    // The value on the left of a run of days without one: the newest stored entry at first.
    bool haveLow = !history.empty() && EntryDay(history.back()) == first - 1 && HasValue(history.back());
    double lowValue = haveLow ? EntryValue(history.back()) : 0.0;
    int lowDay = first - 1;
    for (std::size_t i = 0; i < size;) {
        if (slots[i] != Slot::Filled) {
            if (slots[i] == Slot::Kept) {
                entries.push_back(*kept[i]);
                haveLow = HasValue(*kept[i]);
                lowValue = EntryValue(*kept[i]);
                lowDay = first + static_cast<int>(i);
            } else {
                haveLow = false;
            }
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < size && slots[end] == Slot::Filled)
            ++end;
        const bool haveHigh = end < size && slots[end] == Slot::Kept && HasValue(*kept[end]);
        const double highValue = haveHigh ? EntryValue(*kept[end]) : 0.0;
        const int highDay = first + static_cast<int>(end);
        for (; i < end; ++i) {
            const int day = first + static_cast<int>(i);
            if (haveLow && haveHigh) {
                const double value = lowValue + (highValue - lowValue) * (day - lowDay) / (highDay - lowDay);
                entries.push_back(MakeEntry(day, Support::FloatToFixed(value, 2, 2, decimalSeparator)));
            } else {
                entries.push_back(MakeEntry(day, NoValue));
            }
        }
    }
    return entries;
}

void MarkObtained(UnstoredDays& unstored, const EntryList& series, int fromRow)
{
    for (std::size_t row = static_cast<std::size_t>(std::max(fromRow, 0)); row < series.size(); ++row) {
        const auto [first, last] =
            std::equal_range(unstored.filled.begin(), unstored.filled.end(), series[row]);
        unstored.filled.erase(first, last);
    }
}

} // namespace History
