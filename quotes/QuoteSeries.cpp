#include "quotes/QuoteSeries.h"

#include <string_view>

namespace Quotes {

namespace {
// The cut value comes with blanks around it; an entry holds the bare number, as the filling
// copies it.
std::string_view Bare(std::string_view value)
{
    const auto first = value.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return value.substr(first, value.find_last_not_of(' ') - first + 1);
}
} // namespace

int WriteQuoteIntoSeries(History::EntryList& items, int today, const std::string& value, bool roll)
{
    if (items.empty())
        return -1;
    int row = static_cast<int>(items.size()) - 1;
    for (int k = 0; k < static_cast<int>(items.size()); ++k) {
        if (History::EntryDay(items[static_cast<std::size_t>(k)]) == today) {
            row = k;
            break;
        }
    }
    if (roll) {
        items.emplace_back();
        items.erase(items.begin());
        --row;
    }
    // Without an entry before (today's entry came first, or rolled out) the days start at today.
    int day = today;
    if (row >= 1) {
        const int before = History::EntryDay(items[static_cast<std::size_t>(row - 1)]);
        if (before != History::NoDay)
            day = before + 1;
    } else {
        row = 0;
    }
    for (std::size_t k = static_cast<std::size_t>(row); k < items.size(); ++k)
        items[k] = History::MakeEntry(day++, Bare(value), History::Origin::Quoted);
    return row;
}

} // namespace Quotes
