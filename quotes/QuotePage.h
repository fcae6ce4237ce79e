#pragma once
// The quote site's mobile page: stripping the markup, cutting out the quote and reading
// its date and time, moved into trading hours.

#include "history/Plausibility.h"
#include "support/ExchangeCalendar.h"

#include <QDateTime>

#include <optional>
#include <string>
#include <string_view>

namespace Quotes {

// The text without its markup: everything from a "<" up to and including the next ">" goes;
// "<" and ">" never remain. Entities stay as they are.
std::string StripTags(std::string_view page);

// The pieces as cut from the stripped page, blanks included.
struct QuotePieces
{
    std::string date;    // "dd-mm-yyyy": the page's two-digit year with "20" put before it
    std::string time;    // "hh:mm", often with a leading blank
    std::string value;   // "312,45"
    std::string change;  // "(+1,20)"
    std::string percent; // "0,39%"
};

// Cuts the quote out of the stripped page. Missing landmarks give empty pieces or a cut
// from the start of the text; it never fails.
QuotePieces CutQuote(std::string_view text);

// Reads "d-m-yyyy h:mm" with optional seconds and blanks around the parts; nothing when
// the texts do not form a valid date and time of day.
std::optional<QDateTime> ReadQuoteMoment(std::string_view date, std::string_view time);

// After 17:30 the quote counts as the close at 18:00; before 08:30 as the close of the
// previous day; a weekend or a closing day of the exchange goes back to the trading day before.
// Seconds stay.
QDateTime ToTradingHours(const QDateTime& moment,
                         const Support::ExchangeCalendar& calendar = *Support::Exchange());

// The index value as a page prints it, read as "<digits>" or "<digits>,<one or two digits>";
// empty when it is no such number. Blanks, tabs and non-breaking spaces (also as "&nbsp;" or
// "&#160;") around it are allowed. The last point or comma is the decimal separator when one or
// two digits follow it up to the end; when exactly three follow, it separates thousands. Before
// the decimal separator, the other of the two characters may separate thousands: groups of three
// digits after a first group of one to three ("1.012,34", "1,012.34", "1.012"). "912.34" reads
// as 912,34. Anything else (three decimals and more, a sign, mixed groups) is no value.
std::string ReadQuoteValue(std::string_view text);

// "dd-mm-yyyy hh:mm"
std::string MomentText(const QDateTime& moment);

// The whole page read: pieces with "." turned into ",", and the moment in trading hours.
struct Quote
{
    QuotePieces pieces;
    QDateTime moment;
    std::string momentText;
};

enum class QuoteReading
{
    Read,
    NoPage,      // the fetch gave nothing
    BadMoment,   // the cut date and time are no valid date-time
    BadValue,    // the value does not read as a number (ReadQuoteValue) that is sane
    Implausible, // the value lies too far from the anchor (History::IsPlausible)
};

// The pieces read, as a cut page gives them: the moment, the value (sane, and with a valid anchor
// plausible on `day` against it), and points turned into commas. `quote` changes only when Read.
QuoteReading ReadQuotePieces(QuotePieces pieces, Quote& quote, const History::Anchor& anchor = {},
                             int day = History::NoDay);

// The page read: nothing when empty, else its cut pieces (StripTags, CutQuote) as ReadQuotePieces
// reads them. With a valid anchor, the value of `day` must be plausible against it.
QuoteReading ReadQuotePage(std::string_view page, Quote& quote, const History::Anchor& anchor = {},
                           int day = History::NoDay);

} // namespace Quotes
