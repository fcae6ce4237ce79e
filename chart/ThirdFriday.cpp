#include "chart/ThirdFriday.h"

namespace Chart {

int ThirdFridayOfMonth(int year, int month)
{
    // Day of week of the 1st, Sunday = 1 ... Saturday = 7.
    const int first = QDate(year, month, 1).dayOfWeek() % 7 + 1;
    return ((6 - first) + 7) % 7 + 15;
}

QDate NextThirdFriday(const QDate& today)
{
    if (!today.isValid())
        return {};
    int year = today.year();
    int month = today.month();
    int day = ThirdFridayOfMonth(year, month);
    if (day < today.day()) {
        if (++month > 12) {
            month = 1;
            ++year;
        }
        day = ThirdFridayOfMonth(year, month);
    }
    if (day == 21 && month == 3)
        day = 20;
    return {year, month, day};
}

} // namespace Chart
