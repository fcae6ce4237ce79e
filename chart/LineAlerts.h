#pragma once
// Trend-line alerts: whether a new value has crossed a trend line, and the warning's text.
// A line covers a day when the day lies between its two handles' days (both included); its value
// on that day is the straight line through the handles' (day, value). A value crosses the line
// when the value before it lay on one side and it lies on the other by more than AlertMargin of
// the line's value. A line warns once: again only after the value has been back on the first
// side by the same margin, or after a handle of it was moved.

#include "support/SystemFacts.h"

#include <optional>
#include <string>

namespace Chart {

inline constexpr double AlertMargin = 0.0005; // 0.05 % of the line's value

// The two ends of a line as days and values.
struct LineEnds
{
    int fromDay = 0;
    double fromValue = 0.0;
    int toDay = 0;
    double toValue = 0.0;
};

// The line's value on `day`; nothing when the line does not cover the day, or when both ends
// lie on the same day (no straight line through them gives one value).
std::optional<double> LineValueOnDay(const LineEnds& line, int day);

enum class Crossing
{
    None,
    Rose, // from below the line to above it
    Fell, // from above the line to below it
};

// One line's alert: armed until it warns, armed again when the value is back on the first side
// by the margin or when Rearm is called (a handle moved).
class LineAlert
{
public:
    // `previous` and `current`: the value before and the new one; `lineValue`: the line's value
    // today. The crossing to warn about, None when there is nothing to warn about.
    Crossing Check(double previous, double current, double lineValue);
    void Rearm() { m_warned = Crossing::None; }
    bool Armed() const { return m_warned == Crossing::None; }

private:
    Crossing m_warned = Crossing::None; // the crossing warned about, until re-armed
};

// "De AEX (912,45) is boven de rode lijn (910,20) gekomen." for line 0 (green), 1 (red) or 2
// (blue); the values with two decimals and a decimal comma in Dutch, a point in English.
std::string AlertText(Crossing crossing, int line, double value, double lineValue,
                      Support::Language language);

} // namespace Chart
