#include "chart/Handles.h"

#include "support/TextFields.h"

#include <algorithm>

namespace Chart {

namespace {
constexpr QPoint DefaultPlaces[HandleCount] = {{24, 24}, {40, 24}, {24, 40}, {40, 40}, {24, 56}, {40, 56}};

std::uint16_t ToUnsigned16(int value)
{
    return static_cast<std::uint16_t>(std::clamp(value, 0, 65535));
}

} // namespace

QPoint DefaultHandlePlace(int handle)
{
    return DefaultPlaces[std::clamp(handle, 0, HandleCount - 1)];
}

HandlePlace PlaceHandle(int handle, const StoredHandle& stored, const ChartScale& scale)
{
    const QPoint fallback = DefaultHandlePlace(handle);
    HandlePlace result{fallback, false};
    bool dayPlaced = false;
    bool valuePlaced = false;

    const int day = stored.day;
    if (scale.HasDays && day > 0) {
        const int x = scale.DayToX(day);
        // A day scrolled out of the shown days would land outside the plot area. No bound on
        // days after today: a handle dragged onto the last days is stored as today + 31 or
        // + 32, and refusing it would throw the line back to its default place.
        if (x >= scale.ChartLeft && x <= scale.ChartRight) {
            result.place.setX(x - HandleOffset);
            dayPlaced = true;
        }
    }

    if (scale.HasValues && stored.valueText != QLatin1String("0.0")) {
        const double value = Support::TextToFloat(stored.valueText.toLatin1().toStdString());
        if (value >= scale.ChartMin && value <= scale.ChartMax) {
            result.place.setY(scale.ChartBottom - scale.ValueToY(value) - HandleOffset);
            valuePlaced = true;
        }
    }

    int top = result.place.y();
    if (top + HandleOffset < scale.ChartTop)
        top = scale.ChartTop - HandleOffset;
    if (top > scale.ChartBottom)
        top = scale.ChartBottom;
    result.place.setY(top);
    result.fromStore = dayPlaced && valuePlaced;
    return result;
}

StoredHandle StoreHandle(QPoint place, const ChartScale& scale, char decimalSeparator)
{
    StoredHandle stored;
    stored.day = scale.XToDay(ToUnsigned16(place.x() + HandleOffset));
    const double value = scale.YToValue(ToUnsigned16(place.y() + HandleOffset));
    stored.valueText = QString::fromLatin1(Support::FloatToFixed(value, 2, 4, decimalSeparator));
    return stored;
}

} // namespace Chart
