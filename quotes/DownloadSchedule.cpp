#include "quotes/DownloadSchedule.h"

#include "support/Clock.h"

namespace Quotes {

namespace {
constexpr int OpeningMinute = 9 * 60;       // 540: 09:00 itself is not yet due
constexpr int ClosingMinute = 17 * 60 + 35; // 1055: 17:35 is no longer due
} // namespace

bool DownloadDue(const QDateTime& now, const QDateTime& lastDownload)
{
    const int today = Support::DayNumber(now.date());
    if (!lastDownload.isValid() || Support::DayNumber(lastDownload.date()) < today)
        return true;
    const int minute = now.time().hour() * 60 + now.time().minute();
    const bool weekday = now.date().dayOfWeek() <= Qt::Friday;
    return weekday && minute > OpeningMinute && minute < ClosingMinute;
}

} // namespace Quotes
