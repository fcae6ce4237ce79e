#pragma once
// The window bounds and the day count in group "Defaults" of the settings store.

#include <QSettings>

// Day count limits: the chart needs at least 33 entries; the whole shipped history fits.
inline constexpr int MinDayCount = 35;
inline constexpr int MaxDayCount = 20000;
inline constexpr int DefaultDayCount = 200;
// Wider and higher than any screen in use. A larger stored size (a damaged settings file) would
// ask gigabytes for the window and its chart bitmaps, and beyond that the toolkit crashes.
inline constexpr int MaxWindowExtent = 8192;

struct WindowSettings
{
    int top = 1;
    int left = 1;
    int width = 720;
    int height = 540;
    int dagen = DefaultDayCount;
    bool dagenStored = false; // false on a first start: the day count is the default
};

// Brings a day count inside the spin box's limits.
int ClampDayCount(int dagen);
// A first start whose day count would show fewer than FirstStartLeastDays of the history
// (up to its newest value) shows FirstStartShownDays of it instead.
inline constexpr int FirstStartLeastDays = 91;
inline constexpr int FirstStartShownDays = 182;
// The day count of a first start: `dayCount`, or, when its days (up to today + 31) would show
// fewer than FirstStartLeastDays of the history, more in steps of 7 until FirstStartShownDays
// are shown (at most MaxDayCount). A history whose newest value is long past would otherwise
// open on an empty chart. Unchanged when there is no value (lastValuedDay < 0).
int FirstStartDayCount(int dayCount, int lastValuedDay, int today);
// Reads the five values with their defaults; a top or left below 1 becomes 1, a width or
// height above MaxWindowExtent becomes MaxWindowExtent.
WindowSettings ReadWindowSettings(QSettings& settings);
// Writes Top, Left, Width, Height and Dagen, in this order.
void WriteWindowSettings(QSettings& settings, const WindowSettings& values);
