#pragma once
// The quote site's mobile page: stripping the markup, cutting out the quote and reading
// its date and time, moved into trading hours.

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
// previous day; a weekend goes back to Friday. Seconds stay.
QDateTime ToTradingHours(const QDateTime& moment);

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
    NoPage,    // the fetch gave nothing
    BadMoment, // the cut date and time are no valid date-time
    BadValue,  // the value does not read as a number above 0.1
};

QuoteReading ReadQuotePage(std::string_view page, Quote& quote);

} // namespace Quotes
