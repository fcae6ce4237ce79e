#pragma once
// The six trend-line handles (two per line) are kept as a day and an index value, so that a
// line stays on its days and values when the scale changes and across restarts. These
// functions convert between a handle's place on the chart and its stored position.

#include "chart/ChartScale.h"

#include <QPoint>
#include <QString>

namespace Chart {

inline constexpr int HandleCount = 6; // Shape3 ... Shape8: green, red and blue pairs
inline constexpr int HandleSize = 11;
// From a handle's left and top to its reference point, the centre pixel of its circle.
inline constexpr int HandleOffset = HandleSize / 2 - 1;

// The left and top of handle 0 ... 5 when it has no usable stored position.
QPoint DefaultHandlePlace(int handle);

struct StoredHandle
{
    int day = 0;                               // 0: no day stored
    QString valueText = QStringLiteral("0.0"); // "0.0": no value stored

    bool IsEmpty() const { return day == 0 && valueText == QLatin1String("0.0"); }
};

struct HandlePlace
{
    QPoint place;           // left and top on the panel around the plot area
    bool fromStore = false; // both day and value were placed; false when either fell back
};

// Where a handle goes on the current chart. A stored day of 0 or outside the shown days, and a
// stored value of "0.0" or outside ChartMin ... ChartMax, put that coordinate at its default.
// The shown days are the only bound on a day: whatever StoreHandle made of a place on the
// chart, up to its last day (31 days after today) and its right edge, comes back to it.
HandlePlace PlaceHandle(int handle, const StoredHandle& stored, const ChartScale& scale);

// A dragged handle's day and value as the chart holds them: the day with the fraction of a
// day its pixel stands for, the value unrounded, so that the handle stays on the very pixel it
// was dragged to until it is stored.
struct HandlePosition
{
    double day = 0.0;
    double value = 0.0;
};
// The position under a handle's reference point, and the place it puts the handle back on.
// Without a day or value range a pixel counts as a day or a point: a handle still follows the
// mouse on an empty chart, where nothing is stored.
HandlePosition PositionAt(QPoint place, const ChartScale& scale);
QPoint PlaceOf(const HandlePosition& position, const ChartScale& scale);

// A position rounded as it is stored: the nearest day, the value with four decimals and
// `decimalSeparator`, a value below LeastValue as zero.
StoredHandle StoreHandle(const HandlePosition& position, char decimalSeparator);
// The stored day and value under a handle's reference point (for a scale with days and values).
StoredHandle StoreHandle(QPoint place, const ChartScale& scale, char decimalSeparator);

} // namespace Chart
