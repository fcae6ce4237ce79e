#pragma once
// Following a change of the day count (N) in the shown series.

#include "history/DayEntry.h"

namespace History {

// Brings the series to dayCount entries. With more, the oldest go; those after the newest
// stored day are kept in `departed` (ascending), so that closing still writes them. With fewer,
// older entries come back in front, the nearest first: first those in `departed`, then the
// history's (ascending by day), as they stand ("0,0" entries are not filled).
void ResizeSeriesItems(EntryList& items, int dayCount, const EntryList& history, int newestStoredDay,
                       EntryList& departed);

} // namespace History
