#pragma once
// The hover read-out: the value and date under the mouse on the plot area and on the list.

#include "chart/ChartScale.h"
#include "history/DayEntry.h"
#include "support/Regional.h"
#include "support/SystemFacts.h"

#include <QString>
#include <string>

namespace Chart {

// The value part of the item under x (the text after the hyphen, its leading blank kept);
// positions left or right of the series take the first or last item. Empty without items.
std::string ValueTextAtX(const History::EntryList& items, const ChartScale& scale, int x);
// The height above the bottom edge of the item one to the left of the one under x.
int SeriesHeightAtX(const History::EntryList& items, const ChartScale& scale, int x);

// "Koers: " + value text + CR LF + "Datum: " + the short date of the day under x; the two
// labels in `language` (the main window passes Dutch), the date in the regional form.
QString PlotHoverText(const History::EntryList& items, const ChartScale& scale, int x,
                      const Support::RegionalSettings& regional, Support::Language language);
// "Koers:" + value text + CR LF + "Datum: " + the short date of the entry's day; empty for an
// entry without a readable day.
QString ListHoverText(const History::DayEntry& entry, const Support::RegionalSettings& regional,
                      Support::Language language);

} // namespace Chart
