#include "app/StatusLineLayout.h"

#include <algorithm>

std::array<StatusPlace, 3> LayOutStatusLine(const std::array<int, 3>& widths, int centreWidth,
                                            int dayCountLeft)
{
    std::array<int, 3> shown;
    std::transform(widths.begin(), widths.end(), shown.begin(), [](int width) { return std::max(0, width); });
    const int total = shown[0] + shown[1] + shown[2];
    const int limit = dayCountLeft - StatusGapBeforeDayCount;

    int left = (centreWidth - total) / 2;
    if (left + total > limit)
        left = limit - total;
    left = std::max(left, StatusLeftMargin);

    int excess = left + total - limit;
    for (int label = 2; label >= 0 && excess > 0; --label) {
        const int cut = std::min(excess, shown[label]);
        shown[label] -= cut;
        excess -= cut;
    }

    std::array<StatusPlace, 3> places;
    int x = left;
    for (int label = 0; label < 3; ++label) {
        places[label] = {x, shown[label]};
        x += shown[label];
    }
    return places;
}
