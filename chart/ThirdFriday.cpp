#include "chart/ThirdFriday.h"

namespace Chart {

int ThirdFridayOfMonth(int year, int month)
{
    // Day of week of the 1st, Sunday = 1 ... Saturday = 7.
    const int first = QDate(year, month, 1).dayOfWeek() % 7 + 1;
    return ((6 - first) + 7) % 7 + 15;
}

namespace {
// The third Friday, with the March exception, before any closing day is stepped over.
QDate RuleDay(int year, int month)
{
    int day = ThirdFridayOfMonth(year, month);
    if (day == 21 && month == 3)
        day = 20;
    return {year, month, day};
}
QDate MarkedDay(int year, int month, const Support::ExchangeCalendar& calendar)
{
    return calendar.TradingDayOnOrBefore(RuleDay(year, month));
}
} // namespace

QDate NextThirdFriday(const QDate& today, const Support::ExchangeCalendar& calendar)
{
    if (!today.isValid())
        return {};
    int year = today.year();
    int month = today.month();
    const QDate marked = MarkedDay(year, month, calendar);
    // The month's third Friday itself has not passed on that day (the March marker stays on
    // the 20th on the 21st); a marker moved before a closed Friday has passed once it lies behind.
    const bool moved = marked != RuleDay(year, month);
    if (ThirdFridayOfMonth(year, month) >= today.day() && !(moved && marked < today))
        return marked;
    if (++month > 12) {
        month = 1;
        ++year;
    }
    return MarkedDay(year, month, calendar);
}

} // namespace Chart
