#pragma once
// Building the shown series from the history: the newest N entries, the closing-price back-fill,
// the two-day gaps near the end, the days up to 31 days after today, and the filling of days
// without a value (first value, last value, linear interpolation).

#include "history/DayEntry.h"

namespace History {

inline constexpr int FutureDays = 31;

struct SeriesBuild
{
    EntryList items;          // the shown series, ascending by day; the days after lastStoredEntry
                              // that the filling wrote have Origin::Filled, the days up to it the
                              // history's origin (they count as the history's, filled or not)
    DayEntry lastStoredEntry; // the newest entry taken from the history; day NoDay when there is none
    EntryList obtained;       // ascending: entries with a value for days after lastStoredEntry, as the
                              // back-fill gave them (before the oldest days are trimmed)
    EntryList departed;       // ascending: entries for days after lastStoredEntry that the trimming
                              // took out, as they stood
};

// The shown series for `dayCount` days (N): N + 1 entries, the last one `today` + 31, as a rule.
// `listed` holds what the closing-price back-fill gave for days after the newest stored entry
// (in any order; duplicates and entries without a day are mended as Normalize says).
// The held-back entries with a value are shown as they stand until the back-fill gives a value
// of the same day: the file holds them, and a fill would hide them.
SeriesBuild BuildSeries(const EntryList& history, int dayCount, int today, char decimalSeparator,
                        const EntryList& listed = {}, const EntryList& heldBack = {});

// The single steps, in their order.
EntryList NewestEntries(const EntryList& history, int dayCount);
// Removes entries without a day or with a line break, sorts by day and keeps one entry per day:
// one with a value before one without, and an entry not in `before` (new) before one that is.
void Normalize(EntryList& items, const EntryList& before);
// Two passes over the last 31 entries, each closing one missing day of every gap with a "0,0"
// entry (Origin::Filled).
void CloseShortGaps(EntryList& items);
// Adds "0,0" entries (Origin::Filled) for every day after the last entry up to lastDay; an empty series gets
// dayCount + 2 days, so that dayCount + 1 remain after trimming.
void ExtendToDay(EntryList& items, int lastDay, int dayCount);
// Deletes the first entry, and more while more than dayCount + 1 remain; returns them.
EntryList TrimFront(EntryList& items, int dayCount);
// Leading fill, trailing fill and interpolation of the days without a value; what it writes has
// Origin::Filled.
void FillSeries(EntryList& items, char decimalSeparator);

// The row of today's entry; when there is none, Count - 32 (within the rows); -1 when empty.
int TodayRow(const EntryList& items, int today);

} // namespace History
