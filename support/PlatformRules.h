#pragma once
// The rules that turn a platform's raw facts into the program's facts. Plain functions
// without Qt, so that the Windows build feeds them from the Win32 API and every build
// checks them with Windows-style inputs.

#include <string>

namespace Support {

// Language: "NLD" for Dutch (1043), Flemish (2067) and Afrikaans (1078), otherwise "ENU".
std::string LanguageForId(int languageId);

// The Windows version table.
enum class Platform
{
    Win32s = 0,
    Windows95Line = 1,
    NTLine = 2,
    Other = 3
};
std::string OSNameFor(Platform platform, int major, int minor, const std::string& serviceText);
bool IsNTFamilyName(const std::string& osName);

// A local date and time without a zone.
struct CivilTime
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    auto operator<=>(const CivilTime&) const = default;
};

// A date as the Windows time-zone record holds it: an absolute date (year not 0) or a rule
// for the current year (year 0: the `day`-th `dayOfWeek` of `month`, 5 meaning the last).
struct ZoneDate
{
    int year = 0;
    int month = 0;     // 0: the zone has no daylight saving time
    int dayOfWeek = 0; // 0 is Sunday
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct TimeZoneRecord
{
    int standardBias = 0;  // minutes
    int daylightBias = 0;  // minutes
    ZoneDate standardDate; // daylight time ends
    ZoneDate daylightDate; // daylight time starts
};

struct DaylightFacts
{
    bool active = false;
    double bias = 0.0; // a fraction of a day; one hour is 1/24
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
int DayOfWeek(int year, int month, int day); // 0 is Sunday
// The day of month of the n-th (1 ... 4, 5 = last) weekday (0 = Sunday) of a month.
int NthWeekdayOfMonth(int year, int month, int dayOfWeek, int n);
CivilTime ZoneMoment(const ZoneDate& date, int currentYear);
// The regional country setting, stored as text: the number it holds, or 1 (the North
// American plan, which turns the daylight correction off) when it holds no whole number.
int CountryCodeFromText(const std::string& text);
// Country 1 or a zone without daylight saving time: not active, bias 0.
DaylightFacts ComputeDaylight(int countryCode, const TimeZoneRecord& zone, const CivilTime& localNow);

// The data folder on Windows: the folder holding the Desktop folder + "\UserData\<product>\".
std::string DataFolderFromDesktop(const std::string& desktopPath, const std::string& productName);

// The text for a system drive type (0 ... 6); empty for unknown types.
std::string DriveTypeName(int systemDriveType);

enum class TimeStampShift
{
    Keep,
    SubtractBias,
    AddBias
};
// How a copied file's time stamp is corrected for daylight saving time between drives.
TimeStampShift DecideTimeStampShift(const std::string& sourceDriveType, const std::string& targetDriveType,
                                    bool daylightActive);
// The shift in seconds for a bias given as a fraction of a day.
long long TimeStampShiftSeconds(TimeStampShift shift, double daylightBias);

} // namespace Support
