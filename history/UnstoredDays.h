#pragma once
// The days after the newest stored day: what closing appends to the history so that no day
// of the file loses its value and every day up to today is written once.

#include "history/DayEntry.h"
#include "history/Plausibility.h"

namespace History {

// Kept by the session from loading to closing, beside the history and the shown series. What
// the filling wrote is told by an entry's origin (Origin::Filled), wherever the entry is.
struct UnstoredDays
{
    EntryList heldBack; // the file's newest entries, left out of the history at loading
    EntryList obtained; // ascending: entries with a value that the back-fill gave at loading
    EntryList departed; // ascending: entries after the newest stored day that a smaller day
                        // count took out of the series
};

// The newest stored day: the later of the day of lastStoredEntry and the history's last day;
// NoDay when neither is a day.
int NewestStoredDay(const EntryList& history, const DayEntry& lastStoredEntry);

// The entries to append to the history at closing, one for every day after the newest stored
// day up to today, ascending. A day takes, in this order:
// - a value obtained in this run (back-fill or quote download) from the series, from the
//   entries a smaller day count took away, or from the back-fill at loading;
// - else the file's own entry for that day when it has a value;
// - else the value interpolated between the days around it that have one, written as the
//   series filling writes it, where the days without a value hold at most two weekdays (a
//   weekend, holidays); "0,0" across a longer gap, or when there is no value on one side, so
//   that a gap is never stored as a straight line of made-up closes.
// Days after today are not written, except the file's own entries (they stay as they were).
EntryList UnstoredEntries(const EntryList& history, const DayEntry& lastStoredEntry, const EntryList& series,
                          const UnstoredDays& unstored, int today, char decimalSeparator);

// The entries with a value of this run (from the back-fill or a quote) for the days after
// `afterDay` up to `today`, one a day, ascending: the series' own values before the entries a
// smaller day count took away, before what the back-fill gave at loading.
EntryList ObtainedEntries(const EntryList& series, const UnstoredDays& unstored, int afterDay, int today);

// Loading: the file's entries after its newest real value (History::ValueKinds) are held back,
// together with the HeldBackCount entries up to that value, so that the back-fill, the filling
// and the download derive them again instead of a start without a connection keeping its "0,0"
// days for good. Held-back entries up to `today` with an implausible value become "0,0": closing
// fills them in anew between the days around them.
void HoldBackUnreal(EntryList& history, EntryList& heldBack, int today);

// The entries of a closing-prices list (in any order) merged into the stored days: a listed
// value replaces a history entry of a day up to `lastStoredDay` that is not real ("0,0", filled
// in, or passed over as implausible); real history values never change. Next to each listed
// day, the days without a value, with an implausible one or filled in on a weekend are
// interpolated anew between the days around them, in the history and the held-back entries.
// Returns the listed entries of days after `lastStoredDay`, ascending, for the shown series.
EntryList MergeListed(EntryList& history, EntryList& heldBack, const EntryList& listed, int lastStoredDay,
                      char decimalSeparator);

// The value a new quote for `day` is compared with: the newest trusted value (TrustedValues)
// before `day` of the history, the held-back entries and the series' values of their own.
Anchor QuoteAnchor(const EntryList& history, const UnstoredDays& unstored, const EntryList& series, int day);

// The newest day with a value of its own: in the history, the held-back entries or the shown
// series (where the filling's values do not count); NoDay when no day has one.
int LastValuedDay(const EntryList& history, const UnstoredDays& unstored, const EntryList& series);

} // namespace History
