#pragma once
// A new quote in the shown series: today's entry and every later one carry the latest value.

#include "history/DayEntry.h"

#include <string>

namespace Quotes {

// Rewrites the entry of `today` (the last entry when there is none) and all after it with
// `value` (without the blanks around it) and Origin::Quoted, their days running on one by one
// from the entry before. With `roll` the oldest entry goes first and an entry is added at the
// end, so the series moves on by a day.
// Returns the row of today's entry, -1 for an empty series.
int WriteQuoteIntoSeries(History::EntryList& items, int today, const std::string& value, bool roll);

} // namespace Quotes
