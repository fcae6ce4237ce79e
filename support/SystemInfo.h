#pragma once
// Facts about the system, gathered once before any window exists, and the rules that
// turn the platform's raw values into them. The rules are plain functions so that they
// can be checked with Windows-style inputs on every platform.

#include <QDateTime>
#include <QLocale>
#include <cstdint>
#include <string>

namespace Support {

// Unit-level facts (set by GatherSystemFacts; tests may set them directly).
extern std::string Language; // "NLD" or "ENU"
extern std::string OSName;
extern bool IsNTFamily;
extern bool DaylightActive;
extern double DaylightBias; // a fraction of a day; one hour is 1/24
extern std::string DesktopPath; // the Desktop folder with a final backslash (Windows)

// Gathers the facts in their order: TraceDepth := 0, language, Windows line, Desktop
// folder, daylight saving.
void GatherSystemFacts();

// Language: "NLD" for Dutch (1043), Flemish (2067) and Afrikaans (1078), otherwise "ENU".
std::string LanguageForId(int languageId);
// The Windows language identifier that corresponds to a locale (nl_NL gives 1043).
int LanguageIdForLocale(const QLocale& locale);

// The Windows version table.
enum class Platform { Win32s = 0, Windows95Line = 1, NTLine = 2, Other = 3 };
std::string OSNameFor(Platform platform, int major, int minor, const std::string& serviceText);
bool IsNTFamilyName(const std::string& osName);

// A date as the Windows time-zone record holds it: either an absolute date (year not 0)
// or a rule for the current year (year 0: the `day`-th `dayOfWeek` of `month`, 5 = the last).
struct ZoneDate
{
    int year = 0;
    int month = 0; // 0: no daylight saving time
    int dayOfWeek = 0; // 0 is Sunday
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

struct TimeZoneRecord
{
    int standardBias = 0; // minutes
    int daylightBias = 0; // minutes
    ZoneDate standardDate; // daylight time ends
    ZoneDate daylightDate; // daylight time starts
};

struct DaylightFacts
{
    bool active = false;
    double bias = 0.0;
};

// The n-th (1..4, 5 = last) weekday (0 = Sunday) of a month.
QDate NthWeekdayOfMonth(int year, int month, int dayOfWeek, int n);
// Start or end moment of a zone date in the year of `now`.
QDateTime ZoneMoment(const ZoneDate& date, int currentYear);
DaylightFacts ComputeDaylight(int countryCode, const TimeZoneRecord& zone, const QDateTime& localNow);

// The international dialling code for a territory, as the Windows country setting holds it.
int CountryCodeForTerritory(QLocale::Territory territory);
// The time-zone record of the system zone, with this year's transitions as absolute dates.
TimeZoneRecord SystemTimeZoneRecord(const QDateTime& localNow);

} // namespace Support
