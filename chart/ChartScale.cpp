#include "chart/ChartScale.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace Chart {

namespace {
// Far beyond any pixel or day, yet safe to add and subtract in an int.
constexpr double PixelLimit = 1.0e9;
// A series whose values are all equal is shown this many points above and below them.
constexpr double FlatRangeMargin = 1.0;

std::uint16_t ToUnsigned16(int value)
{
    return static_cast<std::uint16_t>(std::clamp(value, 0, 65535));
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The common form of a value, blanks, digits and a separator with digits after it, read
// directly; anything else goes through History::EntryValue, which reads the same forms alike.
double ReadValue(const History::DayEntry& entry)
{
    constexpr std::size_t Longest = 30;
    std::string_view text = entry.value;
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    char buffer[Longest + 1];
    std::size_t length = 0;
    std::size_t at = 0;
    while (at < text.size() && IsDigit(text[at]) && length < Longest)
        buffer[length++] = text[at++];
    const std::size_t wholeDigits = length;
    if (at < text.size() && (text[at] == ',' || text[at] == '.')) {
        buffer[length++] = '.';
        ++at;
        while (at < text.size() && IsDigit(text[at]) && length < Longest)
            buffer[length++] = text[at++];
    }
    const bool plain = wholeDigits > 0 && at == text.size() && buffer[length - 1] != '.';
    if (!plain)
        return History::EntryValue(entry);
    double value = 0.0;
    const auto [end, error] = std::from_chars(buffer, buffer + length, value);
    return error == std::errc() && end == buffer + length ? value : History::EntryValue(entry);
}
} // namespace

SeriesData ReadSeries(const History::EntryList& items)
{
    SeriesData series;
    series.days.reserve(items.size());
    series.values.reserve(items.size());
    for (const auto& item : items) {
        series.days.push_back(History::EntryDay(item));
        series.values.push_back(ReadValue(item));
    }
    return series;
}

int Nearest(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -PixelLimit, PixelLimit)));
}

int ChartScale::DayToX(double day) const
{
    return Nearest((day - FirstDay) * DayScale);
}

int ChartScale::ValueToY(double value) const
{
    return Nearest((value - ChartMin) * ValueScale);
}

int ChartScale::XToDay(std::uint16_t x) const
{
    if (DayScale <= 0.0)
        return FirstDay;
    return Nearest(x / DayScale + FirstDay);
}

double ChartScale::YToValue(std::uint16_t y) const
{
    if (ValueScale <= 0.0)
        return 0.0;
    const double value = (static_cast<double>(ChartBottom) - y) / ValueScale + ChartMin;
    return value < LeastValue ? 0.0 : value;
}

int TickUnitFor(double range)
{
    if (range > 1000.0)
        return 100;
    if (range > 100.0)
        return 10;
    return 1;
}

ChartScale MakeScale(const History::EntryList& items, int width, int height)
{
    return MakeScale(ReadSeries(items), width, height);
}

ChartScale MakeScale(const SeriesData& series, int width, int height)
{
    ChartScale scale;
    scale.ChartLeft = 0;
    scale.ChartTop = 0;
    scale.ChartRight = ToUnsigned16(width);
    scale.ChartBottom = ToUnsigned16(height);
    if (series.empty())
        return scale;

    double min = HUGE_VAL;
    double max = -HUGE_VAL;
    bool anyValue = false;
    for (const double value : series.values) {
        min = std::min(min, value);
        max = std::max(max, value);
        anyValue = anyValue || value >= LeastValue;
    }
    if (anyValue) {
        const double range = max - min;
        if (range > 0.0) {
            scale.ChartMin = min - range / 10.0;
            scale.ChartMax = max + range / 10.0;
        } else {
            scale.ChartMin = min - FlatRangeMargin;
            scale.ChartMax = max + FlatRangeMargin;
        }
        const double span = scale.ChartMax - scale.ChartMin;
        scale.ValueScale = (scale.ChartBottom - scale.ChartTop) / span;
        scale.TickUnit = TickUnitFor(span);
        scale.HasValues = std::isfinite(scale.ChartMin) && std::isfinite(scale.ChartMax) &&
                          std::isfinite(span) && span > 0.0 && std::isfinite(scale.ValueScale) &&
                          scale.ValueScale > 0.0;
        if (!scale.HasValues) {
            scale.ChartMin = scale.ChartMax = scale.ValueScale = 0.0;
            scale.TickUnit = 1;
        }
    }

    const int firstDay = series.days.front();
    const int lastDay = series.days.back();
    if (firstDay >= 0 && lastDay >= firstDay) {
        const double span = lastDay + 1.0 - firstDay;
        scale.FirstDay = static_cast<std::uint16_t>(firstDay);
        scale.DayScale = (scale.ChartRight - scale.ChartLeft) / span;
        scale.HasDays = scale.DayScale > 0.0;
    }
    return scale;
}

} // namespace Chart
