#pragma once
// A source's request and the reading of its answer, by the source's kind: the quote page and the
// closing-prices list as ever, and the json and csv kinds through their readers. The session
// tries a list's sources in turn with these.

#include "quotes/ClosingPrices.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSources.h"

#include <optional>
#include <string>

namespace Quotes {

// The request of a quote source (page: QuoteSite + "index.php?type=main", the system's proxy
// settings); nothing for a kind that gives no quote or an address that cannot be filled in.
std::optional<FetchRequest> QuoteSourceRequest(const SourceDefinition& source, const std::string& quoteSite,
                                               int today, int boundMs);
// The request of a series source for the days asked (list: the closing-prices list under
// ClosingPricesSite, without a proxy); nothing as above.
std::optional<FetchRequest> SeriesSourceRequest(const SourceDefinition& source,
                                                const std::string& closingPricesSite, const SourceDays& days,
                                                int today, int boundMs);

// A quote source's answer as read.
struct QuoteAnswer
{
    QuoteReading reading = QuoteReading::NoPage;
    Quote quote;     // filled when Read
    std::string why; // a few Dutch words for the trace
};

// Reads a quote source's answer with the page's rules (moment, value, plausibility against
// `anchor`).
QuoteAnswer ReadQuoteAnswer(const SourceDefinition& source, const FetchResult& fetched,
                            const History::Anchor& anchor, int day);

// A series source's answer as read.
struct SeriesAnswer
{
    ClosingPricesReading reading;
    // The source answered that it has no closes of the days asked (an error saying so, a chart or
    // download without rows): complete when the history lacks none of them, else no answer.
    bool noRows = false;
    std::string why; // a few Dutch words for the trace
};

// A json or csv series is read for the days asked and this many days around them (a weekend and
// a closing day or two); closes further off are passed over, however many the answer holds.
inline constexpr int SeriesDaysMargin = 7;

// Reads a series source's answer: every day it gives up to the day of `now` (of a json or csv
// series, within `asked` and its margin), by the list's rules (History::TrustedValues for
// plausibility). Done when the source gave its series; otherwise the code the list's reading
// gives, or AexNotFound for a json or csv answer that is not the series asked.
SeriesAnswer ReadSeriesAnswer(const SourceDefinition& source, const FetchResult& fetched,
                              const QDateTime& now, const SourceDays& asked,
                              const History::TrustedValues& stored);

} // namespace Quotes
