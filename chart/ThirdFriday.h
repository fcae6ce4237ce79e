#pragma once
// The dashed marker on the chart: the third Friday of this month, or of the next month once
// this month's has passed; when the exchange is closed on it, the trading day before.

#include "support/ExchangeCalendar.h"

#include <QDate>

namespace Chart {

// The day of month of the third Friday of `year`-`month`.
int ThirdFridayOfMonth(int year, int month);

// The third Friday on or after `today`'s month's; a March third Friday on the 21st is
// marked on the 20th. A third Friday on a closing day is marked on the trading day before it
// (Good Friday 18 April 2025: Thursday 17 April); once that day has passed, the next month's.
QDate NextThirdFriday(const QDate& today, const Support::ExchangeCalendar& calendar = *Support::Exchange());

} // namespace Chart
