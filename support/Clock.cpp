#include "support/Clock.h"

#include <algorithm>
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

struct Pace
{
    QDateTime start;     // on this clock
    QDateTime realStart; // when it was set
    double speed = 1.0;
};

std::optional<Pace>& Paced()
{
    static std::optional<Pace> pace;
    return pace;
}

constexpr double FastestPace = 3600.0;
} // namespace

QDateTime Clock::Now()
{
    const auto& fixed = FixedMoment();
    if (fixed)
        return *fixed;
    const auto& pace = Paced();
    if (!pace)
        return QDateTime::currentDateTime();
    const qint64 real = pace->realStart.msecsTo(QDateTime::currentDateTime());
    return pace->start.addMSecs(static_cast<qint64>(static_cast<double>(real) * pace->speed));
}

void Clock::SetPace(const QDateTime& start, double speed)
{
    if (!(speed >= 1.0 && speed <= FastestPace))
        speed = 1.0;
    Paced() =
        Pace{start.isValid() ? start : QDateTime::currentDateTime(), QDateTime::currentDateTime(), speed};
}

void Clock::PaceFromEnvironment()
{
    const QByteArray start = qgetenv("KOERSZICHT_CLOCK_START");
    const QByteArray speed = qgetenv("KOERSZICHT_CLOCK_SPEED");
    if (start.isEmpty() && speed.isEmpty())
        return;
    bool ok = false;
    const double factor = speed.isEmpty() ? 1.0 : speed.toDouble(&ok);
    SetPace(QDateTime::fromString(QString::fromLatin1(start), Qt::ISODate), ok ? factor : 1.0);
}

int Clock::RealMs(int milliseconds)
{
    const auto& pace = Paced();
    if (!pace || milliseconds <= 0 || FixedMoment())
        return milliseconds;
    return std::max(1, static_cast<int>(milliseconds / pace->speed));
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
    Paced().reset();
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
