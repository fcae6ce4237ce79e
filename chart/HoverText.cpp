#include "chart/HoverText.h"

#include "support/Clock.h"
#include "support/ExchangeCalendar.h"
#include "support/TextFields.h"
#include "support/Texts.h"

#include <algorithm>

namespace Chart {

namespace {
// The text after the line's hyphen: the value with the blank before it; empty without a value text.
std::string AfterHyphen(const History::DayEntry& entry)
{
    return entry.value.empty() ? std::string() : " " + entry.value;
}

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
    return AfterHyphen(items[ItemAtX(items, scale, x, 0)]);
}

int SeriesHeightAtX(const History::EntryList& items, const ChartScale& scale, int x)
{
    if (items.empty())
        return 0;
    return scale.ValueToY(History::EntryValue(items[ItemAtX(items, scale, x, -1)]));
}

namespace {
// Label + value text + CR LF + date label + date, and on a closing day of the exchange a note.
QString HoverText(const std::string& valueText, int day, const Support::RegionalSettings& regional,
                  Support::Language language)
{
    using Support::Text;
    const QDate date = Support::DateOfDay(day);
    QString text = QString::fromLatin1(Support::TextFor(Text::HoverValueLabel, language)) +
                   QString::fromLatin1(valueText) + QStringLiteral("\r\n") +
                   QString::fromLatin1(Support::TextFor(Text::HoverDateLabel, language)) +
                   regional.ShortDate(date);
    if (Support::Exchange()->IsClosingDay(date))
        text += QString::fromLatin1(Support::TextFor(Text::HoverClosedDay, language));
    return text;
}
} // namespace

QString PlotHoverText(const History::EntryList& items, const ChartScale& scale, int x,
                      const Support::RegionalSettings& regional, Support::Language language)
{
    const int day = scale.XToDay(static_cast<std::uint16_t>(std::clamp(x, 0, 65535)));
    // A blank after the label's colon, before the value text's own leading blank.
    return HoverText(" " + ValueTextAtX(items, scale, x), day, regional, language);
}

QString ListHoverText(const History::DayEntry& entry, const Support::RegionalSettings& regional,
                      Support::Language language)
{
    const int day = History::EntryDay(entry);
    if (day < 0)
        return {};
    return HoverText(AfterHyphen(entry), day, regional, language);
}

} // namespace Chart
