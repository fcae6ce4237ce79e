#pragma once
// Sources that said "not now". Public services limit requests by address: they answer 429 or
// 503, or a bot check or consent page in place of their data, and asking again every minute keeps
// a block alive. Such a source rests: it is not asked again for the time its Retry-After asks, or
// FirstCooldownMinutes when it names none, doubling at each refusal in a row up to
// LongestCooldownMinutes; a good answer ends that row. Kept for the run, per source name.

#include "quotes/HttpClient.h"
#include "quotes/QuoteSources.h"

#include <QDateTime>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Quotes {

inline constexpr int FirstCooldownMinutes = 15;
inline constexpr int LongestCooldownMinutes = 120;

// The wait a Retry-After value asks for, in seconds from `now`: a number of seconds, or an HTTP
// date ("Wed, 09 Dec 2026 15:30:00 GMT"); a date already past is 0. Nothing when the value is
// neither.
std::optional<qint64> RetryAfterSeconds(std::string_view value, const QDateTime& now);

// The answer says "not now" rather than giving data or its absence: status 429 or 503, a
// "Too Many Requests" text, or, from a json or csv source, a web page (a bot check, a consent or
// log-in page a redirect led to).
bool IsRefusal(SourceKind kind, const FetchResult& fetched);

class SourceCooldowns
{
public:
    // `source` refused at `now`; returns the moment until which it rests.
    QDateTime Refused(const std::string& source, const QDateTime& now, std::string_view retryAfter);
    // `source` gave a good answer: a later refusal rests it FirstCooldownMinutes again.
    void Answered(const std::string& source);
    // The end of the rest of `source` at `now`; invalid when it may be asked. A clock set back
    // before the refusal ends the rest.
    QDateTime RestingUntil(const std::string& source, const QDateTime& now) const;

    struct Resting
    {
        std::string source;
        QDateTime until;
    };
    // The sources resting at `now`, by name.
    std::vector<Resting> RestingAt(const QDateTime& now) const;

private:
    struct Rest
    {
        int refusals = 0; // in a row
        QDateTime since;
        QDateTime until;
    };
    std::map<std::string, Rest> m_rests;
};

} // namespace Quotes
