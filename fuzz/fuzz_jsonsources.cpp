// The chart answer, read once as a quote and once as a series of daily closes, as if it came
// with status 200; the quote's pieces read as the quote page's pieces are read.
// Input: the body.

#include "FuzzSupport.h"
#include "SeriesCheck.h"

#include "quotes/SourceReaders.h"

#include <algorithm>
#include <initializer_list>

using namespace Quotes;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// "dd-mm-yyyy" or "hh:mm": digits with `separator` at the given places.
bool HasShape(const std::string& text, std::size_t size, char separator,
              std::initializer_list<std::size_t> at)
{
    if (text.size() != size)
        return false;
    for (std::size_t i = 0; i < size; ++i) {
        const bool isSeparator = std::find(at.begin(), at.end(), i) != at.end();
        if (isSeparator ? text[i] != separator : !IsDigit(text[i]))
            return false;
    }
    return true;
}

void CheckQuote(const SourceQuote& read)
{
    const QuotePieces& pieces = read.pieces;
    const bool empty = pieces.date.empty() && pieces.time.empty() && pieces.value.empty() &&
                       pieces.change.empty() && pieces.percent.empty();
    if (read.failure != SourceFailure::None) {
        Fuzz::Check(empty, "a failed quote has no pieces", FailureTrace(read.failure));
        return;
    }
    Fuzz::Check(HasShape(pieces.date, 10, '-', {2, 5}), "the date reads dd-mm-yyyy", pieces.date);
    Fuzz::Check(HasShape(pieces.time, 5, ':', {2}), "the time reads hh:mm", pieces.time);
    Fuzz::Check(pieces.change.size() >= 7 && pieces.change.front() == '(' && pieces.change.back() == ')' &&
                    (pieces.change[1] == '+' || pieces.change[1] == '-'),
                "the change is signed and in brackets", pieces.change);
    Fuzz::Check(pieces.percent.size() >= 5 && pieces.percent.back() == '%' && pieces.percent.front() != '+',
                "the percentage ends in a percent sign and is signed only below zero", pieces.percent);
    Quote quote;
    Fuzz::Check(ReadQuotePieces(pieces, quote) == QuoteReading::Read, "the pieces read as a page's do",
                pieces.date + " " + pieces.time + " " + pieces.value);
    Fuzz::Check(quote.pieces.value == pieces.value, "the value reads as it is", pieces.value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    FetchResult fetched;
    fetched.body.assign(reinterpret_cast<const char*>(data), size);
    fetched.status = 200;
    fetched.ending = FetchEnding::Complete;
    CheckQuote(ReadJsonQuote(fetched));
    Fuzz::CheckSeries(ReadJsonSeries(fetched));

    // Without the symbol check, and with every path pointing elsewhere in a chart answer.
    JsonQuoteSelectors quoteSelectors;
    quoteSelectors.expectedSymbol.clear();
    quoteSelectors.value = "chart.result[0].indicators.quote[0].close[0]";
    CheckQuote(ReadJsonQuote(fetched, quoteSelectors));
    JsonSeriesSelectors seriesSelectors;
    seriesSelectors.expectedSymbol.clear();
    seriesSelectors.closes = "chart.result[0].indicators.adjclose[0].adjclose";
    Fuzz::CheckSeries(ReadJsonSeries(fetched, seriesSelectors));
    return 0;
}
