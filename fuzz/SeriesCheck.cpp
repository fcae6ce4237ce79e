#include "SeriesCheck.h"

#include "FuzzSupport.h"

#include "history/Plausibility.h"

#include <algorithm>

namespace Fuzz {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsCloseText(const std::string& value)
{
    const auto point = value.find('.');
    return point != std::string::npos && point > 0 && point + 3 == value.size() &&
           std::all_of(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(point), IsDigit) &&
           IsDigit(value[point + 1]) && IsDigit(value[point + 2]);
}

} // namespace

void CheckSeries(const Quotes::SourceSeries& series)
{
    Check(series.failure == Quotes::SourceFailure::None || series.closes.empty(),
          "a failed reading gives no closes", Quotes::FailureTrace(series.failure));
    int previous = History::NoDay;
    for (const Quotes::ListedClose& close : series.closes) {
        Check(close.day >= 0 && close.day <= History::MaxDay, "a close's day is a day number", close.value);
        Check(close.day > previous, "the closes are ascending, one a day", close.value);
        Check(IsCloseText(close.value), "a close is digits, a point and two decimals", close.value);
        const std::optional<double> value = History::ReadCentValue(close.value);
        Check(value && History::IsSaneValue(*value), "a close is a sane number", close.value);
        previous = close.day;
    }
    const Quotes::ClosingPricesReading taken =
        Quotes::TakeListedCloses(series.closes, History::NoDay, History::MaxDay);
    Check(taken.code == Quotes::BackfillCode::Done, "the closes of a series give no failure code");
    Check(taken.entries.size() <= series.closes.size(), "no close is taken twice");
}

} // namespace Fuzz
