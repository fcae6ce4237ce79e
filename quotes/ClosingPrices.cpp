#include "quotes/ClosingPrices.h"

#include "support/Clock.h"
#include "support/TextFields.h"

#include <QDate>
#include <set>

namespace Quotes {

namespace {

constexpr std::size_t LongestAddedValue = 9; // "fewer than 10 characters"
constexpr std::size_t LongestReadValue = 10; // a longer value ends the reading
constexpr double LowestClose = 0.01;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A value that may enter the series: digits, optionally one decimal comma followed by digits.
// Anything else (a unit, a second separator, a trailing blank) would reach the history file
// as text that no longer reads back as the value.
bool IsClosingValue(std::string_view value)
{
    if (value.empty() || value.size() > LongestAddedValue || !IsDigit(value.front()))
        return false;
    const auto comma = value.find(',');
    for (std::size_t i = 0; i < value.size(); ++i)
        if (i != comma && !IsDigit(value[i]))
            return false;
    return comma != value.size() - 1;
}

// Cuts the next line off `text`; a line ends at LF, CR LF or a lone CR, or at the end of the text.
std::string_view NextLine(std::string_view& text)
{
    const auto end = text.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        const std::string_view line = text;
        text = {};
        return line;
    }
    const std::string_view line = text.substr(0, end);
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (crlf ? 2 : 1));
    return line;
}

} // namespace

std::string ClosingPricesUrl(std::string_view siteRoot)
{
    const std::string series = ClosingPricesSeries;
    std::string url(siteRoot);
    url += "Beurs/Slotkoersen/.";
    url += series.front();
    url += '/';
    url += series;
    return url;
}

bool BackfillDue(int lastDay, const QDateTime& now)
{
    if (lastDay < 0)
        return true;
    int reference = Support::DayNumber(now.date());
    if (now.time().hour() < 20)
        --reference;
    switch (Support::DateOfDay(lastDay).dayOfWeek()) {
    case Qt::Saturday:
        return lastDay + 2 < reference;
    case Qt::Sunday:
        return lastDay + 1 < reference;
    default:
        return lastDay < reference;
    }
}

int ClosingDay(std::string_view yymmdd)
{
    if (yymmdd.size() != 6)
        return History::NoDay;
    for (char c : yymmdd)
        if (!IsDigit(c))
            return History::NoDay;
    const auto pair = [&](std::size_t at) { return (yymmdd[at] - '0') * 10 + (yymmdd[at + 1] - '0'); };
    const QDate date(2000 + pair(0), pair(2), pair(4));
    if (!date.isValid())
        return History::NoDay;
    const int day = Support::DayNumber(date);
    return day <= History::MaxDay ? day : History::NoDay;
}

ClosingPricesReading ReadClosingPrices(std::string_view page, int lastDay, int today)
{
    ClosingPricesReading reading;
    std::set<int> addedDays;
    std::string lastValue;
    bool anyLineRead = false;
    std::string_view text = page;
    for (;;) {
        const std::string_view line = NextLine(text);
        const int day = ClosingDay(Support::Copy(Support::TextBefore(':', line), 1, 6));
        if (day == History::NoDay) {
            // A list that does not begin with a dated line is not the AEX list; a later
            // undated line (a footer, an empty line) ends the list and keeps what was read.
            if (!anyLineRead) {
                reading.code = BackfillCode::AexNotFound;
                return reading;
            }
            break;
        }
        anyLineRead = true;
        lastValue = Support::PointToComma(Support::TextAfter(' ', line));
        // A close of a day still to come cannot be real; it would stand in the chart's future.
        const bool missing = (lastDay < 0 || day > lastDay) && day <= today;
        if (missing && IsClosingValue(lastValue) && addedDays.insert(day).second)
            reading.entries.push_back(History::MakeEntry(day, lastValue));
        if (text.empty() || lastValue.size() > LongestReadValue)
            break;
    }
    reading.code =
        Support::TextToFloat(lastValue) < LowestClose ? BackfillCode::ZeroValue : BackfillCode::Done;
    return reading;
}

ClosingPricesReading RunBackfill(int lastDay, const QDateTime& now, const std::function<std::string()>& fetch)
{
    if (!BackfillDue(lastDay, now))
        return {};
    const std::string page = fetch();
    if (page.empty())
        return {BackfillCode::NoConnection, {}};
    if (page.size() < MinimumListLength)
        return {BackfillCode::PageTooSmall, {}};
    return ReadClosingPrices(page, lastDay, Support::DayNumber(now.date()));
}

std::string LoadMessageText(BackfillCode code)
{
    switch (code) {
    case BackfillCode::NoConnection:
        return "Fout 1; Geen internetverbinding";
    case BackfillCode::PageTooSmall:
        return "Fout 2; Gelezen bestand is te klein";
    case BackfillCode::AexNotFound:
        return "Fout 3; AEX niet gevonden";
    case BackfillCode::ZeroValue:
        return "Fout 4; AEX-Koers = 0,0";
    case BackfillCode::Done:
        break;
    }
    return {};
}

} // namespace Quotes
