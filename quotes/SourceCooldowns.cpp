#include "quotes/SourceCooldowns.h"

#include "quotes/SourceReaders.h"
#include "support/TextFields.h"

#include <algorithm>
#include <charconv>

namespace Quotes {

namespace {

constexpr qint64 LongestRestSeconds = qint64{LongestCooldownMinutes} * 60;

bool IsWebPage(std::string_view body)
{
    const std::string_view text = Support::TrimBlanks(body);
    return !text.empty() && text.front() == '<';
}

} // namespace

std::optional<qint64> RetryAfterSeconds(std::string_view value, const QDateTime& now)
{
    const std::string_view text = Support::TrimBlanks(value);
    if (text.empty())
        return std::nullopt;
    qint64 seconds = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    if (error == std::errc() && end == text.data() + text.size())
        return seconds >= 0 ? std::optional<qint64>(seconds) : std::nullopt;
    if (error == std::errc::result_out_of_range)
        return LongestRestSeconds;
    // An HTTP date ends in "GMT", which Qt's reading of RFC 2822 dates wants as an offset.
    QString dateText = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (dateText.endsWith(QLatin1String(" GMT")))
        dateText = dateText.chopped(3) + QLatin1String("+0000");
    const QDateTime date = QDateTime::fromString(dateText, Qt::RFC2822Date);
    if (!date.isValid())
        return std::nullopt;
    return std::max<qint64>(now.secsTo(date), 0);
}

bool IsRefusal(SourceKind kind, const FetchResult& fetched)
{
    if (fetched.status == 429 || fetched.status == 503)
        return true;
    if (kind != SourceKind::JsonQuote && kind != SourceKind::JsonSeries && kind != SourceKind::CsvSeries)
        return false;
    return SaysTooManyRequests(fetched.body) || IsWebPage(fetched.body);
}

QDateTime SourceCooldowns::Refused(const std::string& source, const QDateTime& now,
                                   std::string_view retryAfter)
{
    Rest& rest = m_rests[source];
    ++rest.refusals;
    qint64 seconds = qint64{FirstCooldownMinutes} * 60 << std::min(rest.refusals - 1, 8);
    if (const std::optional<qint64> asked = RetryAfterSeconds(retryAfter, now))
        seconds = *asked;
    rest.since = now;
    rest.until = now.addSecs(std::min(seconds, LongestRestSeconds));
    return rest.until;
}

void SourceCooldowns::Answered(const std::string& source)
{
    m_rests.erase(source);
}

QDateTime SourceCooldowns::RestingUntil(const std::string& source, const QDateTime& now) const
{
    const auto found = m_rests.find(source);
    if (found == m_rests.end() || now < found->second.since || now >= found->second.until)
        return {};
    return found->second.until;
}

std::vector<SourceCooldowns::Resting> SourceCooldowns::RestingAt(const QDateTime& now) const
{
    std::vector<Resting> resting;
    for (const auto& [source, rest] : m_rests)
        if (const QDateTime until = RestingUntil(source, now); until.isValid())
            resting.push_back({source, until});
    return resting;
}

} // namespace Quotes
