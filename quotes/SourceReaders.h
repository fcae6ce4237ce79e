#pragma once
// Readers of the public data sources besides the quote page and the closing-prices list: the
// chart answer of Yahoo's chart endpoint (a quote, or a series of daily closes) and Euronext's
// historical-data download (a series of daily closes). They read what a fetch brought into the
// shapes the program already reads: quote pieces for ReadQuotePieces, listed closes for
// TakeListedCloses. They judge only the answer's form; the values' rules stay with those two.

#include "quotes/ClosingPrices.h"
#include "quotes/HttpClient.h"
#include "quotes/QuotePage.h"

#include <QJsonValue>

#include <string>
#include <string_view>
#include <vector>

namespace Quotes {

// Why an answer gave nothing, in the order the readers look.
enum class SourceFailure
{
    None,
    NoAnswer,     // an empty body: nothing fetched
    HttpError,    // a status of 400 or more
    NotTheFormat, // an HTML page, a bot check or plain text where JSON or CSV was asked for, or a zero byte
    Refused,      // a JSON error object, a "Too Many Requests" body
    MissingField, // a field the reading needs is not there
    WrongInstrument, // the answer is about another symbol or ISIN than the one asked for
    BadValue,        // a value that is no sane number (History::IsSaneValue), or no moment
    NoRows,          // a series answer that says it has no closes of the days asked
};

// A short Dutch phrase for the trace log.
const char* FailureTrace(SourceFailure failure);

// The body says "Too Many Requests" (in any case), as rate limits' plain-text answers do.
bool SaysTooManyRequests(std::string_view body);

// The value at `path` in a JSON document: object keys separated by points, array indexes in
// brackets ("chart.result[0].meta.regularMarketPrice"). Undefined when any step is missing
// (a key not there, an index out of range, a step into something of another kind). The empty
// path is the root.
QJsonValue JsonAt(const QJsonValue& root, std::string_view path);

// Where a chart answer keeps the parts of a quote.
struct JsonQuoteSelectors
{
    std::string value = "chart.result[0].meta.regularMarketPrice";
    std::string time = "chart.result[0].meta.regularMarketTime"; // seconds since the epoch
    std::string previousClose = "chart.result[0].meta.chartPreviousClose";
    std::string symbol = "chart.result[0].meta.symbol";
    std::string expectedSymbol = "^AEX"; // empty: not checked
    std::string timeZone = "Europe/Amsterdam";
    std::string error = "chart.error";
};

// Pieces as a cut quote page gives them, without blanks: date "dd-mm-yyyy" and time "hh:mm" in
// the selectors' time zone, value "1012,34", change "(+7,24)" or "(-3,10)" (always signed),
// percent "0,80%" or "-0,31%" (signed only below zero). Empty pieces unless None.
struct SourceQuote
{
    SourceFailure failure = SourceFailure::NoAnswer;
    QuotePieces pieces;
};

// Failures in this order: an empty body, an HTTP error, no JSON object (Refused when the body
// says "Too Many Requests"), an error that is not null, a missing value, time or previous close,
// a symbol that is there and not the expected one, a value or previous close that is not sane or
// a time that gives no moment.
SourceQuote ReadJsonQuote(const FetchResult& fetched, const JsonQuoteSelectors& selectors = {});

// Where a chart answer keeps a series of daily closes.
struct JsonSeriesSelectors
{
    std::string timestamps = "chart.result[0].timestamp"; // seconds since the epoch, a session's start
    std::string closes = "chart.result[0].indicators.quote[0].close";
    std::string symbol = "chart.result[0].meta.symbol";
    std::string expectedSymbol = "^AEX"; // empty: not checked
    std::string timeZone = "Europe/Amsterdam";
    std::string error = "chart.error";
};

// How an Euronext download is laid out.
struct CsvSeriesSelectors
{
    std::string dateColumn = "Date";
    std::string closeColumn = "Close";
    char separator = ';';
    std::string dateFormat = "dd/MM/yyyy"; // as QDate::fromString reads it
    std::string isin = "NL0000000107";     // empty: not checked
};

// Closes ascending by day, one a day (the first one the answer gives of a day), each value a
// number with a point and two decimals, rounded. A close the answer leaves out (null) or that
// does not read is passed over.
struct SourceSeries
{
    SourceFailure failure = SourceFailure::NoAnswer;
    std::vector<ListedClose> closes;
};

// The timestamps zipped with the closes, as far as both go; a close's day is the date of its
// timestamp in the selectors' time zone. Failures as for ReadJsonQuote, but a status of 400 or
// 404 with a JSON error object is NoRows (how the chart says "no data for those days"); an answer without
// timestamps (a range without a trading day) is None without closes, unless it has closes
// (MissingField) or no symbol either (MissingField: nothing says it is a chart). Closes that are
// there but of which not one reads are BadValue.
SourceSeries ReadJsonSeries(const FetchResult& fetched, const JsonSeriesSelectors& selectors = {});

// The download: an optional byte order mark, lines before the header (a title, the period, the
// ISIN), the header (the first line whose fields include both column names, in any case), then
// rows in any order; fields may be quoted, lines end in LF or CR LF. No header is NotTheFormat
// (Refused when the body says "Too Many Requests"); an ISIN before the header that is not the
// expected one is WrongInstrument; a header without rows is None without closes; rows of which
// not one reads are BadValue.
SourceSeries ReadCsvSeries(const FetchResult& fetched, const CsvSeriesSelectors& selectors = {});

} // namespace Quotes
