// The quote site's page as the quote download reads it: the markup stripped, the quote cut
// out, its date and time read and moved into trading hours, the status line, the value
// written into the shown series, and the days closing then writes.
// Input: a byte of switches, then the page.

#include "FuzzSupport.h"

#include "history/SeriesBuilder.h"
#include "history/UnstoredDays.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSeries.h"
#include "quotes/StatusLine.h"
#include "support/ExchangeCalendar.h"
#include "support/TextFields.h"

#include <algorithm>

using namespace History;

namespace {

struct Loaded
{
    EntryList history;
    SeriesBuild build;
};

// A history up to a few days before today, as loading leaves it.
const Loaded& LoadedSeries()
{
    static const Loaded loaded = [] {
        Loaded result;
        for (int day = Fuzz::Today - 400; day <= Fuzz::Today - 12; ++day)
            result.history.push_back(MakeEntry(day, std::to_string(290 + day % 30) + ",5"));
        result.build = BuildSeries(result.history, 200, Fuzz::Today, ',');
        return result;
    }();
    return loaded;
}

void CheckQuote(const Quotes::Quote& quote)
{
    Fuzz::Check(quote.moment.isValid(), "a read quote has a valid moment");
    const int weekday = quote.moment.date().dayOfWeek();
    const int minute = quote.moment.time().hour() * 60 + quote.moment.time().minute();
    Fuzz::Check(weekday >= Qt::Monday && weekday <= Qt::Friday, "a quote's moment falls on a weekday",
                quote.momentText);
    Fuzz::Check(Support::Exchange()->IsTradingDay(quote.moment.date()),
                "a quote's moment falls on a trading day", quote.momentText);
    Fuzz::Check(minute >= 8 * 60 + 30 && minute <= 18 * 60, "a quote's moment lies in trading hours",
                quote.momentText);
    Fuzz::Check(quote.momentText.size() == 16 && quote.momentText[2] == '-' && quote.momentText[5] == '-' &&
                    quote.momentText[10] == ' ' && quote.momentText[13] == ':',
                "the moment reads dd-mm-yyyy hh:mm", quote.momentText);
    Fuzz::Check(Support::TextToFloat(quote.pieces.value) > LeastValue, "a read quote has a value",
                quote.pieces.value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    const std::uint8_t switches = input.Byte();
    const std::string_view page = input.Rest();

    const std::string stripped = Quotes::StripTags(page);
    Fuzz::Check(stripped.find_first_of("<>") == std::string::npos, "no markup character is left", stripped);
    Fuzz::Check(stripped.size() <= page.size(), "stripping only takes away");

    Quotes::Quote quote;
    if (Quotes::ReadQuotePage(page, quote) != Quotes::QuoteReading::Read)
        return 0;
    CheckQuote(quote);
    const std::string previous = (switches & 2) ? std::string(" 312,45 ") : std::string();
    const Quotes::StatusLine line = Quotes::QuoteStatus(quote, previous);
    Fuzz::Check(!line.koers.text.empty() && !line.time.text.empty(), "a read quote fills the status line");

    const Loaded& loaded = LoadedSeries();
    EntryList items = loaded.build.items;
    const std::size_t count = items.size();
    const int today = Fuzz::Today;
    const int row = Quotes::WriteQuoteIntoSeries(items, today, quote.pieces.value, (switches & 1) != 0);
    Fuzz::Check(items.size() == count, "a quote keeps the number of entries");
    Fuzz::Check(row >= 0 && row < static_cast<int>(items.size()), "today's row lies in the series");
    int previousDay = NoDay;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int day = EntryDay(items[i]);
        Fuzz::Check(day != NoDay && day > previousDay, "the series stays ascending, every entry with a day",
                    items[i]);
        if (static_cast<int>(i) >= row)
            Fuzz::Check(HasValue(items[i]), "today and the days after carry the quote's value", items[i]);
        previousDay = day;
    }

    UnstoredDays unstored;
    unstored.obtained = loaded.build.obtained;
    unstored.departed = loaded.build.departed;
    const EntryList appended =
        UnstoredEntries(loaded.history, loaded.build.lastStoredEntry, items, unstored, today, ',');
    Fuzz::Check(!appended.empty() && EntryDay(appended.back()) == today,
                "closing writes every day up to today");
    for (const DayEntry& entry : appended)
        Fuzz::Check(EntryDay(entry) <= today, "nothing after today is written", entry);
    Fuzz::Check(HasValue(appended.back()), "today's quote is written with its value", appended.back());
    return 0;
}
