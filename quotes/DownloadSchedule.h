#pragma once
// When the quote is fetched: every minute on weekdays from 09:01 up to and including 17:34,
// and otherwise once per calendar day, retried until a fetch of that day succeeds.

#include <QDateTime>

namespace Quotes {

// `lastDownload` is the moment of the last successful download; invalid when there was none.
bool DownloadDue(const QDateTime& now, const QDateTime& lastDownload);

} // namespace Quotes
