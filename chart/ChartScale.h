#pragma once
// The chart's scale: the plot area in pixels, the first shown day, pixels per day and per
// index point, and the transforms between (day, value) and pixels. Set by every redraw and
// read by the trend-line handles and the hover read-out.

#include "history/DayEntry.h"

#include <cstdint>
#include <vector>

namespace Chart {

// The integer nearest to `value`, a half going to the even neighbour. Out-of-range and
// non-finite values are held to a range that any pixel or day computation can take.
int Nearest(double value);

// Values below this are no value: a pixel row that stands for one reads as 0.
inline constexpr double LeastValue = 0.1;

class ChartScale
{
public:
    std::uint16_t ChartLeft = 0;
    std::uint16_t ChartTop = 0;
    std::uint16_t ChartRight = 0;  // width of the plot area
    std::uint16_t ChartBottom = 0; // height of the plot area
    std::uint16_t FirstDay = 0;    // the day at the left edge
    double DayScale = 0.0;         // pixels per day
    double ChartMin = 0.0;         // the value at the bottom edge
    double ChartMax = 0.0;         // the value at the top edge
    double ValueScale = 0.0;       // pixels per index point
    int TickUnit = 1;              // 1, 10 or 100

    // False when the series gave no day range (empty, unreadable days) or no value range
    // (no value at all, or one that cannot be scaled): what depends on it is not drawn.
    bool HasDays = false;
    bool HasValues = false;
    bool IsValid() const { return HasDays && HasValues; }

    // Pixels from the left edge; a day before FirstDay gives a negative x.
    int DayToX(double day) const;
    // Height above the bottom edge; the pixel row is ChartBottom - ValueToY(value).
    int ValueToY(double value) const;
    int XToDay(std::uint16_t x) const;
    // The value of a pixel row; 0 when it is below LeastValue.
    double YToValue(std::uint16_t y) const;
};

// The day (History::NoDay when unreadable) and the value of every item, read once per redraw.
struct SeriesData
{
    std::vector<int> days;
    std::vector<double> values;

    std::size_t size() const { return days.size(); }
    bool empty() const { return days.empty(); }
};
// Reads as History::EntryDay and History::EntryValue do.
SeriesData ReadSeries(const History::EntryList& items);

// The scale of a series drawn on a plot area of `width` x `height` pixels: the value range
// widened by a tenth of its size at both ends, the days from the first item to the last.
ChartScale MakeScale(const SeriesData& series, int width, int height);
ChartScale MakeScale(const History::EntryList& items, int width, int height);

// 1, 10 or 100: the unit of the value axis for a range of `range` index points.
int TickUnitFor(double range);

} // namespace Chart
