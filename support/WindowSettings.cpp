#include "support/WindowSettings.h"

#include "history/SeriesBuilder.h"

#include <algorithm>

namespace {
int ReadInt(QSettings& settings, const char* key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key, fallback).toInt(&ok);
    return ok ? value : fallback;
}
} // namespace

int ClampDayCount(int dagen)
{
    return std::clamp(dagen, MinDayCount, MaxDayCount);
}

int FirstStartDayCount(int dayCount, int lastValuedDay, int today)
{
    if (lastValuedDay < 0)
        return dayCount;
    // N days show the N + 1 days up to today + 31: the history's days up to its newest value
    // need N >= today + 31 - lastValuedDay + shown - 1.
    const auto countFor = [&](int shown) {
        return static_cast<long long>(today) + History::FutureDays - lastValuedDay + shown - 1;
    };
    if (countFor(FirstStartLeastDays) <= dayCount)
        return dayCount;
    const long long needed = countFor(FirstStartShownDays);
    const long long steps = (needed - dayCount + 6) / 7;
    return static_cast<int>(std::min<long long>(dayCount + 7 * steps, MaxDayCount));
}

WindowSettings ReadWindowSettings(QSettings& settings)
{
    WindowSettings values;
    settings.beginGroup(QStringLiteral("Defaults"));
    values.top = std::max(1, ReadInt(settings, "Top", values.top));
    values.left = std::max(1, ReadInt(settings, "Left", values.left));
    values.width = std::min(ReadInt(settings, "Width", values.width), MaxWindowExtent);
    values.height = std::min(ReadInt(settings, "Height", values.height), MaxWindowExtent);
    values.dagenStored = settings.contains(QStringLiteral("Dagen"));
    values.dagen = ClampDayCount(ReadInt(settings, "Dagen", values.dagen));
    settings.endGroup();
    return values;
}

void WriteWindowSettings(QSettings& settings, const WindowSettings& values)
{
    settings.beginGroup(QStringLiteral("Defaults"));
    settings.setValue(QStringLiteral("Top"), values.top);
    settings.setValue(QStringLiteral("Left"), values.left);
    settings.setValue(QStringLiteral("Width"), values.width);
    settings.setValue(QStringLiteral("Height"), values.height);
    settings.setValue(QStringLiteral("Dagen"), values.dagen);
    settings.endGroup();
}
