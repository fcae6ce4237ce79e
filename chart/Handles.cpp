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

double PixelsPerDay(const ChartScale& scale)
{
    return scale.DayScale > 0.0 ? scale.DayScale : 1.0;
}

double PixelsPerPoint(const ChartScale& scale)
{
    return scale.ValueScale > 0.0 ? scale.ValueScale : 1.0;
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

HandlePosition PositionAt(QPoint place, const ChartScale& scale)
{
    const std::uint16_t x = ToUnsigned16(place.x() + HandleOffset);
    const std::uint16_t y = ToUnsigned16(place.y() + HandleOffset);
    // Computed as XToDay and YToValue do, before their rounding.
    return {x / PixelsPerDay(scale) + scale.FirstDay,
            (static_cast<double>(scale.ChartBottom) - y) / PixelsPerPoint(scale) + scale.ChartMin};
}

QPoint PlaceOf(const HandlePosition& position, const ChartScale& scale)
{
    return {Nearest((position.day - scale.FirstDay) * PixelsPerDay(scale)) - HandleOffset,
            scale.ChartBottom - Nearest((position.value - scale.ChartMin) * PixelsPerPoint(scale)) -
                HandleOffset};
}

StoredHandle StoreHandle(QPoint place, const ChartScale& scale, char decimalSeparator)
{
    return StoreHandle(PositionAt(place, scale), decimalSeparator);
}

StoredHandle StoreHandle(const HandlePosition& position, char decimalSeparator)
{
    const double value = position.value < LeastValue ? 0.0 : position.value;
    return {Nearest(position.day), QString::fromLatin1(Support::FloatToFixed(value, 2, 4, decimalSeparator))};
}

} // namespace Chart
