#pragma once
// When the quote is fetched: every minute on trading days from 09:01 up to and including 17:34
// (14:09 on a half day: five minutes after the close), and otherwise once per calendar day,
// retried until a fetch of that day succeeds; failed fetches outside trading hours are retried
// less and less often. A closing day of the exchange counts as a Saturday.

#include "support/ExchangeCalendar.h"

#include <QDateTime>

namespace Quotes {

// `lastDownload` is the moment of the last successful download; invalid when there was none.
bool DownloadDue(const QDateTime& now, const QDateTime& lastDownload,
                 const Support::ExchangeCalendar& calendar = *Support::Exchange());

// Inside trading hours (the minutes of the minute-by-minute fetch on a trading day).
bool InTradingHours(const QDateTime& now, const Support::ExchangeCalendar& calendar = *Support::Exchange());

// After `failures` failed fetches in a row (none: 0), how long the next one waits after the start
// of the last: in trading hours a minute, as the schedule has it; outside them 1, 2, 5, 15 and
// from then on 60 minutes, so that a machine without a connection does not fetch all night.
int RetryDelayMinutes(const QDateTime& now, int failures);

// The failed fetches since the last success.
struct QuoteRetry
{
    int failures = 0;
    QDateTime lastAttempt; // the start of the last failed fetch
};

// Due by the schedule (DownloadDue), and, after failures, once their delay has passed. A timer
// may fire a few seconds early: RetrySlackSeconds of the delay are not waited for.
inline constexpr int RetrySlackSeconds = 5;
bool FetchDue(const QDateTime& now, const QDateTime& lastDownload, const QuoteRetry& retry);

// The back-fill's retries wait 1, 2, 5, 15 and from then on 60 minutes after the start of the
// last failed one, at any hour: the closes it looks for do not change by the minute.
bool BackfillRetryDue(const QDateTime& now, const QuoteRetry& retry);

} // namespace Quotes
