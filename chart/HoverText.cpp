#include "chart/HoverText.h"

#include "support/Clock.h"
#include "support/TextFields.h"

#include <algorithm>

namespace Chart {

namespace {
// The item under x, `shift` items further right, held to the series.
std::size_t ItemAtX(const History::EntryList& items, const ChartScale& scale, int x, int shift)
{
    const double count = static_cast<double>(items.size());
    const int position = scale.ChartRight > 0 ? Nearest(count * x / scale.ChartRight) + shift : 0;
    return static_cast<std::size_t>(std::clamp(position, 0, static_cast<int>(items.size()) - 1));
}
} // namespace

std::string ValueTextAtX(const History::EntryList& items, const ChartScale& scale, int x)
{
    if (items.empty())
        return {};
    return Support::TextAfter('-', items[ItemAtX(items, scale, x, 0)]);
}

int SeriesHeightAtX(const History::EntryList& items, const ChartScale& scale, int x)
{
    if (items.empty())
        return 0;
    return scale.ValueToY(History::EntryValue(items[ItemAtX(items, scale, x, -1)]));
}

QString PlotHoverText(const History::EntryList& items, const ChartScale& scale, int x,
                      const Support::RegionalSettings& regional)
{
    const int day = scale.XToDay(static_cast<std::uint16_t>(std::clamp(x, 0, 65535)));
    return QStringLiteral("Koers: ") + QString::fromLatin1(ValueTextAtX(items, scale, x)) +
           QStringLiteral("\r\nDatum: ") + regional.ShortDate(Support::DateOfDay(day));
}

QString ListHoverText(const std::string& entry, const Support::RegionalSettings& regional)
{
    const int day = History::EntryDay(entry);
    if (day < 0)
        return {};
    return QStringLiteral("Koers:") + QString::fromLatin1(Support::TextAfter('-', entry)) +
           QStringLiteral("\r\nDatum: ") + regional.ShortDate(Support::DateOfDay(day));
}

} // namespace Chart
