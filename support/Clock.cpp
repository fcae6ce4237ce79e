#include "support/Clock.h"

#include <optional>

namespace Support {

namespace {
// A function, not a namespace-scope constant, so that day numbers work during static
// initialisation of other files too.
QDate DayZero()
{
    return QDate(1899, 12, 30);
}

std::optional<QDateTime>& FixedMoment()
{
    static std::optional<QDateTime> moment;
    return moment;
}
} // namespace

QDateTime Clock::Now()
{
    const auto& fixed = FixedMoment();
    return fixed ? *fixed : QDateTime::currentDateTime();
}

void Clock::Set(const QDateTime& moment)
{
    FixedMoment() = moment;
}

void Clock::Advance(qint64 milliseconds)
{
    auto& fixed = FixedMoment();
    if (fixed)
        *fixed = fixed->addMSecs(milliseconds);
}

void Clock::Reset()
{
    FixedMoment().reset();
}

int DayNumber(const QDate& date)
{
    return static_cast<int>(DayZero().daysTo(date));
}

QDate DateOfDay(int dayNumber)
{
    return DayZero().addDays(dayNumber);
}

} // namespace Support
