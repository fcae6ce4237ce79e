#pragma once
// Where the three status labels (AEXLabel, KoersLabel, TimeLabel) go in the top panel: side by
// side, centred over the chart panel, and never over "Aantal dagen" to their right.

#include <array>

// The least room left of the status line, and between it and the day count's label.
inline constexpr int StatusLeftMargin = 5;
inline constexpr int StatusGapBeforeDayCount = 10;

struct StatusPlace
{
    int left = 0;
    int width = 0;

    bool operator==(const StatusPlace&) const = default;
};

// `widths`: the labels' own widths; `centreWidth`: the width they are centred over;
// `dayCountLeft`: the left of the day count's label. A line that fits keeps its centred place; one
// that would come within StatusGapBeforeDayCount of the label moves left, down to
// StatusLeftMargin; one still too long is cut, the time first, then the value with its change,
// then "AEX: ", so that the value stays readable as long as it can.
std::array<StatusPlace, 3> LayOutStatusLine(const std::array<int, 3>& widths, int centreWidth,
                                            int dayCountLeft);
