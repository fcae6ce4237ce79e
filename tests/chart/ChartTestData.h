#pragma once
// Series for the chart tests: one entry per day from `firstDay`, values written with a comma.

#include "history/DayEntry.h"
#include "support/TextFields.h"

#include <functional>

namespace ChartTest {

inline History::EntryList MakeSeries(int firstDay, int count, const std::function<double(int)>& valueOf)
{
    History::EntryList items;
    for (int k = 0; k < count; ++k)
        items.push_back(History::MakeEntry(firstDay + k, Support::FloatToFixed(valueOf(k), 0, 2, ',')));
    return items;
}

// Values rising evenly from `from` on the first day to `to` on the last.
inline History::EntryList LinearSeries(int firstDay, int count, double from, double to)
{
    return MakeSeries(firstDay, count,
                      [=](int k) { return count > 1 ? from + (to - from) * k / (count - 1) : from; });
}

} // namespace ChartTest
