#pragma once
// The closing-price back-fill: at start-up, the days after the newest stored day are taken
// from a plain-text list of official AEX closing values ("yymmdd:<text> value" lines).

#include "history/DayEntry.h"
#include "history/Plausibility.h"
#include "support/ExchangeCalendar.h"
#include "support/SystemFacts.h"

#include <QDateTime>
#include <string>
#include <string_view>
#include <vector>

namespace Quotes {

// The result of a back-fill; the numbers are the codes the user is shown.
enum class BackfillCode
{
    Done = 0,         // nothing due, or the list was read
    NoConnection = 1, // the fetch gave nothing
    PageTooSmall = 2, // fewer than MinimumListLength characters
    AexNotFound = 3,  // no line begins with a yymmdd date
    ZeroValue = 4,    // the value of the last line read is below 0.01
};

inline constexpr std::size_t MinimumListLength = 50;
inline constexpr const char* ClosingPricesSeries = "aex-index";

struct ClosingPricesReading
{
    BackfillCode code = BackfillCode::Done;
    History::EntryList entries; // in list order, Origin::Listed; the caller puts each at its place
};

// The list's address under the site root (which ends in "/"):
// "Beurs/Slotkoersen/." + the series' first letter + "/" + the series.
std::string ClosingPricesUrl(std::string_view siteRoot);

// A day's close counts as available from 20:00. The back-fill is due when the newest stored
// day lies before the newest available close, weekends taken into account; closing days of the
// exchange have no close, so they never count as missing: the days after the newest stored day
// that are closing days count as stored. `lastDay` is History::NoDay when nothing is stored:
// then it is always due.
bool BackfillDue(int lastDay, const QDateTime& now,
                 const Support::ExchangeCalendar& calendar = *Support::Exchange());
// The newest day whose close is available at `now`: today from 20:00, else the day before; a
// closing day steps back to the trading day before it.
int BackfillReferenceDay(const QDateTime& now,
                         const Support::ExchangeCalendar& calendar = *Support::Exchange());

// The day number of a "yymmdd" date (20yy); History::NoDay when the text is not six digits of
// a real date that fits a 16-bit day number.
int ClosingDay(std::string_view yymmdd);

// A close as a source lists it, before any rule is applied.
struct ListedClose
{
    int day = History::NoDay;
    std::string value; // as listed, a point as decimal separator
};

// The list's lines that begin with a valid yymmdd date, in list order; the value is the text
// after the line's first blank or tab ("261126:aex-index 881.37" lists 881.37), without the
// blanks and tabs around it, and empty on a line without one. Line ends may be LF, CR LF or CR.
std::vector<ListedClose> ReadListedCloses(std::string_view page);

// A listed close whose day is after `lastDay` and not after `today`, and whose value is a number
// of fewer than 10 characters with at most two decimals, plausible (History::IsPlausible) against
// the value last taken or, before the first, against the newest of `stored` before its day,
// becomes an entry "<day> - <value with comma>"; of a day listed twice the first is taken. Any
// other close is passed over. Code 4 when the value of the last close is below 0.01; no closes
// at all is Done without entries.
ClosingPricesReading TakeListedCloses(const std::vector<ListedClose>& closes, int lastDay, int today,
                                      const History::TrustedValues& stored = {});

// Reads the list: its closes (ReadListedCloses) taken by TakeListedCloses. Code 3 when no line
// is read.
ClosingPricesReading ReadClosingPrices(std::string_view page, int lastDay, int today,
                                       const History::TrustedValues& stored = {});

// The back-fill after its fetch: the length check and the reading of every listed day up to the
// day of `now`. An empty page is a failed fetch.
ClosingPricesReading ReadFetchedList(std::string_view page, const QDateTime& now,
                                     const History::TrustedValues& stored = {});

// The text shown for a code ("Fout 1; Geen internetverbinding" ...); empty for Done.
std::string LoadMessageText(BackfillCode code, Support::Language language);

} // namespace Quotes
