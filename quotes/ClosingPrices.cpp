#include "quotes/ClosingPrices.h"

#include "support/Clock.h"
#include "support/TextFields.h"
#include "support/Texts.h"

#include <QDate>
#include <set>

namespace Quotes {

namespace {

constexpr std::size_t LongestAddedValue = 9; // "fewer than 10 characters"
constexpr double LowestClose = 0.01;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
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

int BackfillReferenceDay(const QDateTime& now, const Support::ExchangeCalendar& calendar)
{
    const QDate today = now.date();
    const QDate reference = now.time().hour() < 20 ? today.addDays(-1) : today;
    // Weekend days stay as they were (the weekday rules of BackfillDue reckon with them).
    if (!calendar.IsClosingDay(reference))
        return Support::DayNumber(reference);
    return Support::DayNumber(calendar.TradingDayOnOrBefore(reference));
}

bool BackfillDue(int lastDay, const QDateTime& now, const Support::ExchangeCalendar& calendar)
{
    if (lastDay < 0)
        return true;
    const int reference = BackfillReferenceDay(now, calendar);
    // Closing days right after the newest stored day have no close to miss (bounded: a user's
    // list that closes everything ends somewhere).
    for (int step = 0; step < 366 && calendar.IsClosingDay(Support::DateOfDay(lastDay + 1)); ++step)
        ++lastDay;
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

std::vector<ListedClose> ReadListedCloses(std::string_view page)
{
    std::vector<ListedClose> closes;
    std::string_view text = page;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        // A line without a date (a heading, a footer, a line garbled on the way) is passed over.
        const int day = ClosingDay(Support::Copy(line.substr(0, colon), 1, 6));
        if (day == History::NoDay)
            continue;
        // The value is what follows the line's first blank, whatever stands between the colon and
        // that blank (the series' name, as a rule); a tab counts as a blank.
        const auto blank = line.find_first_of(" \t");
        const std::string_view value = blank == std::string_view::npos
                                           ? std::string_view()
                                           : Support::TrimBlanks(line.substr(blank + 1));
        closes.push_back({day, std::string(value)});
    }
    return closes;
}

ClosingPricesReading TakeListedCloses(const std::vector<ListedClose>& closes, int lastDay, int today,
                                      const History::TrustedValues& stored)
{
    ClosingPricesReading reading;
    std::set<int> addedDays;
    History::Anchor lastTaken;
    for (const ListedClose& close : closes) {
        const int day = close.day;
        // A close of a day still to come cannot be real; it would stand in the chart's future.
        if ((lastDay >= 0 && day <= lastDay) || day > today || close.value.size() > LongestAddedValue)
            continue;
        const std::optional<double> value = History::ReadCentValue(close.value);
        const History::Anchor anchor = lastTaken.Valid() ? lastTaken : stored.Before(day);
        if (!value || !History::IsPlausible(*value, day, anchor) || !addedDays.insert(day).second)
            continue;
        lastTaken = {day, *value};
        reading.entries.push_back(
            History::MakeEntry(day, Support::PointToComma(close.value), History::Origin::Listed));
    }
    if (!closes.empty() && Support::TextToFloat(closes.back().value) < LowestClose)
        reading.code = BackfillCode::ZeroValue;
    return reading;
}

ClosingPricesReading ReadClosingPrices(std::string_view page, int lastDay, int today,
                                       const History::TrustedValues& stored)
{
    const std::vector<ListedClose> closes = ReadListedCloses(page);
    if (closes.empty())
        return {BackfillCode::AexNotFound, {}};
    return TakeListedCloses(closes, lastDay, today, stored);
}

ClosingPricesReading ReadFetchedList(std::string_view page, const QDateTime& now,
                                     const History::TrustedValues& stored)
{
    if (page.empty())
        return {BackfillCode::NoConnection, {}};
    if (page.size() < MinimumListLength)
        return {BackfillCode::PageTooSmall, {}};
    return ReadClosingPrices(page, History::NoDay, Support::DayNumber(now.date()), stored);
}

std::string LoadMessageText(BackfillCode code, Support::Language language)
{
    using Support::Text;
    switch (code) {
    case BackfillCode::NoConnection:
        return Support::TextFor(Text::LoadErrorNoConnection, language);
    case BackfillCode::PageTooSmall:
        return Support::TextFor(Text::LoadErrorPageTooSmall, language);
    case BackfillCode::AexNotFound:
        return Support::TextFor(Text::LoadErrorAexNotFound, language);
    case BackfillCode::ZeroValue:
        return Support::TextFor(Text::LoadErrorZeroValue, language);
    case BackfillCode::Done:
        break;
    }
    return {};
}

} // namespace Quotes
