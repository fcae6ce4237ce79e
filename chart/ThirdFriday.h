#pragma once
// The dashed marker on the chart: the third Friday of this month, or of the next month once
// this month's has passed.

#include <QDate>

namespace Chart {

// The day of month of the third Friday of `year`-`month`.
int ThirdFridayOfMonth(int year, int month);

// The third Friday on or after `today`'s month's; a March third Friday on the 21st is
// marked on the 20th.
QDate NextThirdFriday(const QDate& today);

} // namespace Chart
