#include "quotes/DownloadSchedule.h"

#include "support/Clock.h"

#include <algorithm>
#include <iterator>

namespace Quotes {

namespace {
constexpr int OpeningMinute = 9 * 60; // 540: 09:00 itself is not yet due
// Minute fetches go on for five minutes after the close: up to 17:34, 14:09 on a half day.
constexpr int AfterCloseMinutes = 5;
constexpr int BackOffMinutes[] = {1, 2, 5, 15, 60};
} // namespace

bool InTradingHours(const QDateTime& now, const Support::ExchangeCalendar& calendar)
{
    const int minute = now.time().hour() * 60 + now.time().minute();
    const QDate date = now.date();
    return calendar.IsTradingDay(date) && minute > OpeningMinute &&
           minute < calendar.ClosingMinute(date) + AfterCloseMinutes;
}

int RetryDelayMinutes(const QDateTime& now, int failures)
{
    if (failures <= 0)
        return 0;
    if (InTradingHours(now))
        return 1;
    const int steps = static_cast<int>(std::size(BackOffMinutes));
    return BackOffMinutes[std::min(failures, steps) - 1];
}

namespace {
bool WaitedFor(const QDateTime& now, const QuoteRetry& retry, int delayMinutes)
{
    if (retry.failures <= 0 || !retry.lastAttempt.isValid())
        return true;
    const qint64 wait = qint64{delayMinutes} * 60 - RetrySlackSeconds;
    // A clock set back makes the last attempt lie ahead: no reason to wait for it.
    return retry.lastAttempt.secsTo(now) >= wait || retry.lastAttempt > now;
}
} // namespace

bool FetchDue(const QDateTime& now, const QDateTime& lastDownload, const QuoteRetry& retry)
{
    return DownloadDue(now, lastDownload) && WaitedFor(now, retry, RetryDelayMinutes(now, retry.failures));
}

bool BackfillRetryDue(const QDateTime& now, const QuoteRetry& retry)
{
    const int steps = static_cast<int>(std::size(BackOffMinutes));
    const int delay = retry.failures <= 0 ? 0 : BackOffMinutes[std::min(retry.failures, steps) - 1];
    return WaitedFor(now, retry, delay);
}

bool DownloadDue(const QDateTime& now, const QDateTime& lastDownload,
                 const Support::ExchangeCalendar& calendar)
{
    const int today = Support::DayNumber(now.date());
    if (!lastDownload.isValid() || Support::DayNumber(lastDownload.date()) < today)
        return true;
    return InTradingHours(now, calendar);
}

} // namespace Quotes
