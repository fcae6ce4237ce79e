#include "support/PlatformRules.h"

#include "support/TextFields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace Support {

std::string LanguageForId(int languageId)
{
    switch (languageId) {
    case 1043:
    case 2067:
    case 1078:
        return "NLD";
    default:
        return "ENU";
    }
}

std::string OSNameFor(Platform platform, int major, int minor, const std::string& serviceText)
{
    const char first = serviceText.empty() ? '\0' : serviceText.front();
    switch (platform) {
    case Platform::Windows95Line:
        if (major != 4)
            return "9x version (unknown)";
        if (minor == 0)
            return first == 'B' || first == 'C' ? "95 OSR2" : "95";
        if (minor == 10)
            return first == 'A' ? "98 SE" : "98";
        if (minor == 90)
            return "ME";
        return {};
    case Platform::NTLine:
        if (major <= 4)
            return "NT";
        if (major == 5) {
            switch (minor) {
            case 0:
                return "2000";
            case 1:
                return "XP";
            case 2:
                return "Server 2003";
            default:
                return {};
            }
        }
        if (major == 6 && minor == 0)
            return "Vista";
        if (major == 6 && minor == 1)
            return "Windows 7";
        return "Future Windows version (unknown)";
    default:
        return {};
    }
}

bool IsNTFamilyName(const std::string& osName)
{
    static const std::array<const char*, 7> names = {
        "NT", "2000", "XP", "Server 2003", "Vista", "Windows 7", "Future Windows version (unknown)"};
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return osName == name; });
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int DayOfWeek(int year, int month, int day)
{
    // Sakamoto's method for the Gregorian calendar.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3)
        year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

int NthWeekdayOfMonth(int year, int month, int dayOfWeek, int n)
{
    if (month < 1 || month > 12)
        return 0;
    const int first = 1 + (dayOfWeek - DayOfWeek(year, month, 1) + 7) % 7;
    int day = first + 7 * (std::clamp(n, 1, 5) - 1);
    while (day > DaysInMonth(year, month))
        day -= 7;
    return day;
}

CivilTime ZoneMoment(const ZoneDate& date, int currentYear)
{
    if (date.year != 0)
        return {date.year, date.month, date.day, date.hour, date.minute, date.second};
    return {currentYear, date.month,  NthWeekdayOfMonth(currentYear, date.month, date.dayOfWeek, date.day),
            date.hour,   date.minute, date.second};
}

int CountryCodeFromText(const std::string& text)
{
    constexpr int fallback = 1;
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ')
        --last;
    const char* begin = text.data() + first;
    const char* end = text.data() + last;
    if (begin != end && *begin == '+') {
        ++begin; // from_chars takes a minus sign only
        if (begin != end && *begin == '-')
            return fallback;
    }
    int value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end)
        return fallback;
    return value;
}

DaylightFacts ComputeDaylight(int countryCode, const TimeZoneRecord& zone, const CivilTime& localNow)
{
    DaylightFacts facts;
    if (countryCode == 1 || zone.daylightDate.month == 0)
        return facts;
    const CivilTime start = ZoneMoment(zone.daylightDate, localNow.year);
    const CivilTime end = ZoneMoment(zone.standardDate, localNow.year);
    facts.bias = (zone.standardBias - zone.daylightBias) / 1440.0;
    facts.active = localNow > start && localNow < end;
    return facts;
}

std::string DataFolderFromDesktop(const std::string& desktopPath, const std::string& productName)
{
    const std::string profile = TextBeforeLast('\\', TextBeforeLast('\\', desktopPath));
    return profile + "\\UserData\\" + productName + "\\";
}

std::string DriveTypeName(int systemDriveType)
{
    switch (systemDriveType) {
    case 2:
        return "DRIVE_REMOVABLE";
    case 3:
        return "DRIVE_FIXED";
    case 4:
        return "DRIVE_REMOTE";
    case 5:
        return "DRIVE_CDROM";
    case 6:
        return "DRIVE_RAMDISK";
    default:
        return {};
    }
}

TimeStampShift DecideTimeStampShift(const std::string& sourceDriveType, const std::string& targetDriveType,
                                    bool daylightActive)
{
    const bool sourceFixed = sourceDriveType == "DRIVE_FIXED";
    const bool targetFixed = targetDriveType == "DRIVE_FIXED";
    if (daylightActive && sourceFixed && !targetFixed)
        return TimeStampShift::SubtractBias;
    if (daylightActive && !sourceFixed && targetFixed)
        return TimeStampShift::AddBias;
    return TimeStampShift::Keep;
}

long long TimeStampShiftSeconds(TimeStampShift shift, double daylightBias)
{
    const long long seconds = std::llround(daylightBias * 86400.0);
    switch (shift) {
    case TimeStampShift::SubtractBias:
        return -seconds;
    case TimeStampShift::AddBias:
        return seconds;
    case TimeStampShift::Keep:
        break;
    }
    return 0;
}

} // namespace Support
