#include "quotes/SourceAnswers.h"

#include "quotes/SourceReaders.h"
#include "support/Clock.h"

namespace Quotes {

namespace {

const char* const QuotePagePath = "index.php?type=main";

JsonQuoteSelectors QuoteSelectors(const SourceDefinition& source)
{
    JsonQuoteSelectors selectors;
    selectors.value = source.Selector("ValuePath", selectors.value);
    selectors.time = source.Selector("TimePath", selectors.time);
    selectors.previousClose = source.Selector("PreviousClosePath", selectors.previousClose);
    selectors.symbol = source.Selector("SymbolPath", selectors.symbol);
    selectors.expectedSymbol = source.Selector("Symbol", selectors.expectedSymbol);
    selectors.timeZone = source.Selector("TimeZone", selectors.timeZone);
    selectors.error = source.Selector("ErrorPath", selectors.error);
    return selectors;
}

JsonSeriesSelectors SeriesSelectors(const SourceDefinition& source)
{
    JsonSeriesSelectors selectors;
    selectors.timestamps = source.Selector("TimestampsPath", selectors.timestamps);
    selectors.closes = source.Selector("ClosesPath", selectors.closes);
    selectors.symbol = source.Selector("SymbolPath", selectors.symbol);
    selectors.expectedSymbol = source.Selector("Symbol", selectors.expectedSymbol);
    selectors.timeZone = source.Selector("TimeZone", selectors.timeZone);
    selectors.error = source.Selector("ErrorPath", selectors.error);
    return selectors;
}

CsvSeriesSelectors CsvSelectors(const SourceDefinition& source)
{
    CsvSeriesSelectors selectors;
    selectors.dateColumn = source.Selector("DateColumn", selectors.dateColumn);
    selectors.closeColumn = source.Selector("CloseColumn", selectors.closeColumn);
    const std::string separator = source.Selector("Separator", std::string(1, selectors.separator));
    if (separator.size() == 1)
        selectors.separator = separator.front();
    selectors.dateFormat = source.Selector("DateFormat", selectors.dateFormat);
    selectors.isin = source.Selector("Isin", selectors.isin);
    return selectors;
}

const char* QuoteReadingTrace(QuoteReading reading)
{
    switch (reading) {
    case QuoteReading::Read:
        return "gelezen";
    case QuoteReading::NoPage:
        return "geen antwoord";
    case QuoteReading::BadMoment:
        return "geen geldige datum en tijd";
    case QuoteReading::BadValue:
        return "onbruikbare waarde";
    case QuoteReading::Implausible:
        return "onwaarschijnlijke waarde";
    }
    return "";
}

} // namespace

std::optional<FetchRequest> QuoteSourceRequest(const SourceDefinition& source, const std::string& quoteSite,
                                               int today, int boundMs)
{
    if (source.kind == SourceKind::Page) {
        FetchRequest request;
        request.url = quoteSite + QuotePagePath;
        request.access = INTERNET_OPEN_TYPE_PRECONFIG;
        request.options.totalTimeoutMs = boundMs;
        return request;
    }
    if (source.kind != SourceKind::JsonQuote)
        return std::nullopt;
    const std::optional<std::string> url = ExpandSourceUrl(source.url, {today, today}, today);
    if (!url || url->empty())
        return std::nullopt;
    return SourceRequest(source, *url, boundMs);
}

std::optional<FetchRequest> SeriesSourceRequest(const SourceDefinition& source,
                                                const std::string& closingPricesSite, const SourceDays& days,
                                                int today, int boundMs)
{
    if (source.kind == SourceKind::List) {
        FetchRequest request;
        request.url = ClosingPricesUrl(closingPricesSite);
        request.access = INTERNET_OPEN_TYPE_DIRECT;
        request.options.totalTimeoutMs = boundMs;
        return request;
    }
    if (source.kind != SourceKind::JsonSeries && source.kind != SourceKind::CsvSeries)
        return std::nullopt;
    const std::optional<std::string> url = ExpandSourceUrl(source.url, days, today);
    if (!url || url->empty())
        return std::nullopt;
    return SourceRequest(source, *url, boundMs);
}

QuoteAnswer ReadQuoteAnswer(const SourceDefinition& source, const FetchResult& fetched,
                            const History::Anchor& anchor, int day)
{
    QuoteAnswer answer;
    if (source.kind == SourceKind::Page) {
        answer.reading = ReadQuotePage(fetched.body, answer.quote, anchor, day);
    } else if (source.kind == SourceKind::JsonQuote) {
        const SourceQuote read = ReadJsonQuote(fetched, QuoteSelectors(source));
        if (read.failure != SourceFailure::None) {
            answer.reading =
                read.failure == SourceFailure::NoAnswer ? QuoteReading::NoPage : QuoteReading::BadValue;
            answer.why = FailureTrace(read.failure);
            return answer;
        }
        answer.reading = ReadQuotePieces(read.pieces, answer.quote, anchor, day);
    }
    answer.why = QuoteReadingTrace(answer.reading);
    return answer;
}

SeriesAnswer ReadSeriesAnswer(const SourceDefinition& source, const FetchResult& fetched,
                              const QDateTime& now, const SourceDays& asked,
                              const History::TrustedValues& stored)
{
    const int today = Support::DayNumber(now.date());
    SeriesAnswer answer;
    const auto traced = [&answer] {
        answer.why = answer.reading.code == BackfillCode::Done
                         ? "gelezen"
                         : LoadMessageText(answer.reading.code, Support::Language::Dutch);
        return answer;
    };
    if (source.kind == SourceKind::List) {
        answer.reading = ReadFetchedList(fetched.body, now, stored);
        return traced();
    }
    SourceSeries series;
    if (source.kind == SourceKind::JsonSeries)
        series = ReadJsonSeries(fetched, SeriesSelectors(source));
    else if (source.kind == SourceKind::CsvSeries)
        series = ReadCsvSeries(fetched, CsvSelectors(source));
    // Closes of other days than those asked are none of the answer's business.
    std::erase_if(series.closes, [&asked](const ListedClose& close) {
        return close.day < asked.first - SeriesDaysMargin || close.day > asked.last + SeriesDaysMargin;
    });
    if (series.failure == SourceFailure::NoRows ||
        (series.failure == SourceFailure::None && series.closes.empty())) {
        answer.noRows = true;
        answer.why = FailureTrace(SourceFailure::NoRows);
        return answer;
    }
    if (series.failure != SourceFailure::None) {
        answer.reading.code = series.failure == SourceFailure::NoAnswer ? BackfillCode::NoConnection
                                                                        : BackfillCode::AexNotFound;
        answer.why = FailureTrace(series.failure);
        return answer;
    }
    answer.reading = TakeListedCloses(series.closes, History::NoDay, today, stored);
    return traced();
}

} // namespace Quotes
