#include "app/WindowSettings.h"

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

WindowSettings ReadWindowSettings(QSettings& settings)
{
    WindowSettings values;
    settings.beginGroup(QStringLiteral("Defaults"));
    values.top = std::max(1, ReadInt(settings, "Top", values.top));
    values.left = std::max(1, ReadInt(settings, "Left", values.left));
    values.width = std::min(ReadInt(settings, "Width", values.width), MaxWindowExtent);
    values.height = std::min(ReadInt(settings, "Height", values.height), MaxWindowExtent);
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
