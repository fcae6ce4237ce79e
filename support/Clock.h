#pragma once
// Everything that asks for "now" or "today" asks the clock; tests set it.

#include <QDate>
#include <QDateTime>

namespace Support {

class Clock
{
public:
    static QDateTime Now();
    static QDate Today() { return Now().date(); }
    // Fixes the clock at `moment` (local time); Advance moves a fixed clock on.
    static void Set(const QDateTime& moment);
    static void Advance(qint64 milliseconds);
    static void Reset();
};

// Day numbers count days since 30 December 1899; 1 January 2012 is 40909.
int DayNumber(const QDate& date);
QDate DateOfDay(int dayNumber);
inline int TodayDayNumber()
{
    return DayNumber(Clock::Today());
}

} // namespace Support
