#include "history/UnstoredDays.h"

#include "history/HistoryFile.h"
#include "support/TextFields.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace History {

int NewestStoredDay(const EntryList& history, const DayEntry& lastStoredEntry)
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
    const auto any = [](const DayEntry&) { return true; };
    newestValued(history, any);
    newestValued(unstored.heldBack, any);
    newestValued(series, [](const DayEntry& entry) { return entry.origin != Origin::Filled; });
    return last;
}

EntryList ObtainedEntries(const EntryList& series, const UnstoredDays& unstored, int afterDay, int today)
{
    std::map<int, const DayEntry*> byDay;
    // Later lists take precedence: the series is what the run holds now.
    for (const EntryList* list : {&unstored.obtained, &unstored.departed, &series}) {
        for (const DayEntry& entry : *list) {
            const int day = EntryDay(entry);
            if (day != NoDay && day > afterDay && day <= today && HasOwnValue(entry))
                byDay[day] = &entry;
        }
    }
    EntryList entries;
    entries.reserve(byDay.size());
    for (const auto& [day, entry] : byDay)
        entries.push_back(*entry);
    return entries;
}

namespace {

// Good Friday and Easter Monday around a weekend, Christmas and Boxing Day on a Thursday and Friday.
constexpr int LongestFilledWeekdays = 2;

enum class Slot : unsigned char
{
    Kept,   // an entry as it stands
    Filled, // a day up to today without a value: interpolated or "0,0"
    Absent, // a day after today that the file did not hold: not written
};

} // namespace

EntryList UnstoredEntries(const EntryList& history, const DayEntry& lastStoredEntry, const EntryList& series,
                          const UnstoredDays& unstored, int today, char decimalSeparator)
{
    const auto isObtained = [](const DayEntry& entry) { return HasOwnValue(entry); };

    const int stored = NewestStoredDay(history, lastStoredEntry);
    int first = stored == NoDay ? INT_MAX : stored + 1;
    if (stored == NoDay) {
        // No history: begin with the first day anything is known of.
        for (const DayEntry& entry : unstored.heldBack)
            if (EntryDay(entry) != NoDay)
                first = std::min(first, EntryDay(entry));
        for (const EntryList* list : {&unstored.obtained, &unstored.departed, &series})
            for (const DayEntry& entry : *list)
                if (EntryDay(entry) != NoDay && isObtained(entry))
                    first = std::min(first, EntryDay(entry));
    }
    int last = today;
    for (const DayEntry& entry : unstored.heldBack)
        last = std::max(last, EntryDay(entry));
    last = std::min(last, MaxDay);
    if (first > last)
        return {};

    const auto size = static_cast<std::size_t>(last - first + 1);
    std::vector<const DayEntry*> obtained(size, nullptr);
    std::vector<const DayEntry*> held(size, nullptr);
    // Later lists take precedence: the series is what the run holds now.
    for (const EntryList* list : {&unstored.obtained, &unstored.departed, &series}) {
        for (const DayEntry& entry : *list) {
            const int day = EntryDay(entry);
            if (day >= first && day <= last && isObtained(entry))
                obtained[static_cast<std::size_t>(day - first)] = &entry;
        }
    }
    for (const DayEntry& entry : unstored.heldBack) {
        const int day = EntryDay(entry);
        if (day >= first && day <= last)
            held[static_cast<std::size_t>(day - first)] = &entry;
    }

    std::vector<const DayEntry*> kept(size, nullptr);
    std::vector<Slot> dayKinds(size, Slot::Absent);
    for (std::size_t i = 0; i < size; ++i) {
        const int day = first + static_cast<int>(i);
        if (day <= today) {
            if (obtained[i])
                kept[i] = obtained[i];
            else if (held[i] && HasValue(*held[i]))
                kept[i] = held[i];
            dayKinds[i] = kept[i] ? Slot::Kept : Slot::Filled;
        } else if (held[i]) {
            kept[i] = held[i];
            dayKinds[i] = Slot::Kept;
        }
    }

    EntryList entries;
    entries.reserve(size);
    // The value on the left of a run of days without one: the newest stored entry at first.
    bool haveLow = !history.empty() && EntryDay(history.back()) == first - 1 && HasValue(history.back());
    double lowValue = haveLow ? EntryValue(history.back()) : 0.0;
    int lowDay = first - 1;
    for (std::size_t i = 0; i < size;) {
        if (dayKinds[i] != Slot::Filled) {
            if (dayKinds[i] == Slot::Kept) {
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
        while (end < size && dayKinds[end] == Slot::Filled)
            ++end;
        const bool haveHigh = end < size && dayKinds[end] == Slot::Kept && HasValue(*kept[end]);
        const double highValue = haveHigh ? EntryValue(*kept[end]) : 0.0;
        const int highDay = first + static_cast<int>(end);
        // A weekend or a holiday beside it is filled in; a longer run of weekdays without a
        // close is a gap: a straight line across it would be stored as if it were closes.
        int weekdays = 0;
        for (std::size_t k = i; k < end; ++k)
            weekdays += IsWeekend(first + static_cast<int>(k)) ? 0 : 1;
        const bool fill = haveLow && haveHigh && weekdays <= LongestFilledWeekdays;
        for (; i < end; ++i) {
            const int day = first + static_cast<int>(i);
            if (fill) {
                const double value = lowValue + (highValue - lowValue) * (day - lowDay) / (highDay - lowDay);
                entries.push_back(
                    MakeEntry(day, Support::FloatToFixed(value, 2, 2, decimalSeparator), Origin::Filled));
            } else {
                entries.push_back(MakeEntry(day, NoValue, Origin::Filled));
            }
        }
    }
    return entries;
}

namespace {

// Whether a stored value without a value of its own may be filled in anew. A weekday on the line
// between its neighbours may be a real close that lies there by chance: only a listed value
// replaces it.
bool Refillable(ValueKind kind, int day)
{
    return kind == ValueKind::Missing || kind == ValueKind::Implausible ||
           (kind == ValueKind::FilledIn && IsWeekend(day));
}

} // namespace

void HoldBackUnreal(EntryList& history, EntryList& heldBack, int today)
{
    const std::vector<ValueKind> kinds = ValueKinds(history, heldBack);
    const std::size_t count = kinds.size();
    std::size_t newestReal = count;
    for (std::size_t i = count; i-- > 0;) {
        if (kinds[i] == ValueKind::Real) {
            newestReal = i;
            break;
        }
    }
    if (newestReal < count) {
        const std::size_t cut = newestReal + 1 > HeldBackCount ? newestReal + 1 - HeldBackCount : 0;
        if (cut < history.size()) {
            for (auto entry = history.begin() + static_cast<std::ptrdiff_t>(cut); entry != history.end();
                 ++entry)
                entry->origin = Origin::HeldBack;
            heldBack.insert(heldBack.begin(),
                            std::make_move_iterator(history.begin() + static_cast<std::ptrdiff_t>(cut)),
                            std::make_move_iterator(history.end()));
            history.resize(cut);
        }
    }
    const std::size_t offset = history.size();
    for (std::size_t i = 0; i < heldBack.size(); ++i) {
        const int day = EntryDay(heldBack[i]);
        if (day != NoDay && day <= today && kinds[offset + i] == ValueKind::Implausible)
            heldBack[i] = MakeEntry(day, NoValue, Origin::HeldBack);
    }
}

EntryList MergeListed(EntryList& history, EntryList& heldBack, const EntryList& listed, int lastStoredDay,
                      char decimalSeparator)
{
    // Nothing listed changes nothing (an offline start): the history is not read again.
    if (listed.empty())
        return {};
    EntryList later;
    EntryList file = Joined(history, heldBack);
    const std::vector<ValueKind> kinds = ValueKinds(file);
    std::vector<bool> fixed(file.size()); // a real value, or a listed one now
    for (std::size_t i = 0; i < file.size(); ++i)
        fixed[i] = kinds[i] == ValueKind::Real;
    std::vector<bool> replaced(file.size(), false);
    const auto indexOf = [&](int day) -> std::size_t {
        const auto at = std::lower_bound(file.begin(), file.end(), day,
                                         [](const DayEntry& entry, int d) { return EntryDay(entry) < d; });
        return at != file.end() && EntryDay(*at) == day ? static_cast<std::size_t>(at - file.begin())
                                                        : file.size();
    };
    for (const DayEntry& entry : listed) {
        const int day = EntryDay(entry);
        if (day == NoDay || !HasValue(entry))
            continue;
        if (day > lastStoredDay)
            later.push_back(entry);
        // The days after the stored ones are derived again: the series takes the listed value.
        const std::size_t i = indexOf(day);
        if (i < file.size() && (!fixed[i] || day > lastStoredDay) && !replaced[i]) {
            file[i] = entry;
            fixed[i] = true;
            replaced[i] = true;
        }
    }
    // Runs of days to fill in next to a replaced day: interpolated between the days around them.
    const auto refillable = [&](std::size_t i) {
        return !fixed[i] && Refillable(kinds[i], EntryDay(file[i]));
    };
    for (std::size_t a = 0; a < file.size();) {
        if (!refillable(a)) {
            ++a;
            continue;
        }
        std::size_t b = a;
        while (b < file.size() && refillable(b))
            ++b;
        const bool bordersReplaced = (a > 0 && replaced[a - 1]) || (b < file.size() && replaced[b]);
        if (bordersReplaced && a > 0 && b < file.size() && HasValue(file[a - 1]) && HasValue(file[b])) {
            const int lowDay = EntryDay(file[a - 1]);
            const int highDay = EntryDay(file[b]);
            const double low = EntryValue(file[a - 1]);
            const double high = EntryValue(file[b]);
            for (std::size_t k = a; k < b; ++k) {
                const int day = EntryDay(file[k]);
                const double value = low + (high - low) * (day - lowDay) / (highDay - lowDay);
                // A value that stays the same to the cent keeps its text.
                if (kinds[k] == ValueKind::FilledIn && std::abs(value - EntryValue(file[k])) < 0.005)
                    continue;
                file[k] =
                    MakeEntry(day, Support::FloatToFixed(value, 2, 2, decimalSeparator), Origin::Filled);
            }
        }
        a = b;
    }
    // The listed values themselves go into the history; for the held-back days the series
    // holds them, and the held-back entries get only the new filling.
    for (std::size_t i = 0; i < file.size(); ++i) {
        if (i < history.size())
            history[i] = std::move(file[i]);
        else if (!replaced[i])
            heldBack[i - history.size()] = std::move(file[i]);
    }
    std::stable_sort(later.begin(), later.end(), EarlierDay);
    later.erase(std::unique(later.begin(), later.end(),
                            [](const DayEntry& x, const DayEntry& y) { return EntryDay(x) == EntryDay(y); }),
                later.end());
    return later;
}

Anchor QuoteAnchor(const EntryList& history, const UnstoredDays& unstored, const EntryList& series, int day)
{
    // Day by day, the newest source wins: the series over the held-back entries over the history.
    std::vector<std::pair<int, const DayEntry*>> valued;
    valued.reserve(history.size() + unstored.heldBack.size() + series.size());
    for (const DayEntry& entry : history)
        valued.emplace_back(EntryDay(entry), &entry);
    for (const DayEntry& entry : unstored.heldBack)
        if (HasValue(entry))
            valued.emplace_back(EntryDay(entry), &entry);
    for (const DayEntry& entry : series)
        if (HasOwnValue(entry))
            valued.emplace_back(EntryDay(entry), &entry);
    std::stable_sort(valued.begin(), valued.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    EntryList ascending;
    ascending.reserve(valued.size());
    for (std::size_t i = 0; i < valued.size(); ++i) {
        if (valued[i].first == NoDay || valued[i].first >= day)
            continue;
        if (i + 1 < valued.size() && valued[i + 1].first == valued[i].first)
            continue;
        ascending.push_back(*valued[i].second);
    }
    return TrustedValues(ascending).Newest();
}

} // namespace History
