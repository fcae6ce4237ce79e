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
    // A clock that runs `speed` times as fast as the real one from `start` on (a program run
    // through a day in minutes, for trying out what happens over hours). Set by the environment
    // at start-up: KOERSZICHT_CLOCK_START (yyyy-MM-ddTHH:mm:ss, local time; now when absent) and
    // KOERSZICHT_CLOCK_SPEED (1 to 3600; 1 when absent or not such a number).
    static void SetPace(const QDateTime& start, double speed);
    static void PaceFromEnvironment();
    // The real milliseconds a wait of `milliseconds` on this clock takes (at least 1 for a wait above 0).
    static int RealMs(int milliseconds);
};

// Day numbers count days since 30 December 1899; 1 January 2012 is 40909.
int DayNumber(const QDate& date);
QDate DateOfDay(int dayNumber);
inline int TodayDayNumber()
{
    return DayNumber(Clock::Today());
}

} // namespace Support
