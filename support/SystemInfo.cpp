#include "support/SystemInfo.h"

#include "support/Clock.h"
#include "support/Trace.h"

#include <QTimeZone>
#include <array>

namespace Support {

std::string Language = "ENU";
std::string OSName;
bool IsNTFamily = false;
bool DaylightActive = false;
double DaylightBias = 0.0;
std::string DesktopPath = "\\";

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

int LanguageIdForLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::Dutch:
        return locale.territory() == QLocale::Belgium ? 2067 : 1043;
    case QLocale::Afrikaans:
        return 1078;
    case QLocale::German:
        return 1031;
    case QLocale::French:
        return 1036;
    case QLocale::English:
        return locale.territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    default:
        return 1033;
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
        if (major == 6) {
            if (minor == 0)
                return "Vista";
            if (minor == 1)
                return "Windows 7";
        }
        return "Future Windows version (unknown)";
    default:
        return {};
    }
}

bool IsNTFamilyName(const std::string& osName)
{
    static const std::array<const char*, 7> names = {
        "NT", "2000", "XP", "Server 2003", "Vista", "Windows 7", "Future Windows version (unknown)"};
    for (const char* name : names)
        if (osName == name)
            return true;
    return false;
}

QDate NthWeekdayOfMonth(int year, int month, int dayOfWeek, int n)
{
    const QDate first(year, month, 1);
    if (!first.isValid())
        return {};
    // Qt counts Monday = 1 ... Sunday = 7; the record counts Sunday = 0 ... Saturday = 6.
    const int firstDow = first.dayOfWeek() % 7;
    const int offset = (dayOfWeek - firstDow + 7) % 7;
    QDate date = first.addDays(offset + 7 * (std::clamp(n, 1, 5) - 1));
    while (date.month() != month)
        date = date.addDays(-7);
    return date;
}

QDateTime ZoneMoment(const ZoneDate& date, int currentYear)
{
    const QTime time(date.hour, date.minute, date.second);
    if (date.year != 0)
        return QDateTime(QDate(date.year, date.month, date.day), time);
    return QDateTime(NthWeekdayOfMonth(currentYear, date.month, date.dayOfWeek, date.day), time);
}

DaylightFacts ComputeDaylight(int countryCode, const TimeZoneRecord& zone, const QDateTime& localNow)
{
    DaylightFacts facts;
    if (countryCode == 1 || zone.daylightDate.month == 0)
        return facts;
    const int year = localNow.date().year();
    const QDateTime start = ZoneMoment(zone.daylightDate, year);
    const QDateTime end = ZoneMoment(zone.standardDate, year);
    facts.bias = (zone.standardBias - zone.daylightBias) / 1440.0;
    facts.active = localNow > start && localNow < end;
    return facts;
}

int CountryCodeForTerritory(QLocale::Territory territory)
{
    switch (territory) {
    case QLocale::UnitedStates:
    case QLocale::Canada:
        return 1;
    case QLocale::Netherlands:
        return 31;
    case QLocale::Belgium:
        return 32;
    case QLocale::France:
        return 33;
    case QLocale::Spain:
        return 34;
    case QLocale::Italy:
        return 39;
    case QLocale::Switzerland:
        return 41;
    case QLocale::Austria:
        return 43;
    case QLocale::UnitedKingdom:
        return 44;
    case QLocale::Denmark:
        return 45;
    case QLocale::Sweden:
        return 46;
    case QLocale::Norway:
        return 47;
    case QLocale::Germany:
        return 49;
    case QLocale::SouthAfrica:
        return 27;
    case QLocale::Luxembourg:
        return 352;
    default:
        return 0; // not the North American plan: the zone decides
    }
}

TimeZoneRecord SystemTimeZoneRecord(const QDateTime& localNow)
{
    TimeZoneRecord record;
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const int year = localNow.date().year();
    if (!zone.isValid() || !zone.hasDaylightTime())
        return record;
    const auto transitions = zone.transitions(QDateTime(QDate(year, 1, 1), QTime(0, 0), zone),
                                              QDateTime(QDate(year, 12, 31), QTime(23, 59, 59), zone));
    const int standardOffset = zone.standardTimeOffset(localNow);
    for (const auto& transition : transitions) {
        // The record gives both moments in local standard time.
        const QDateTime local = transition.atUtc.toUTC().addSecs(standardOffset);
        ZoneDate date{local.date().year(), local.date().month(), local.date().dayOfWeek() % 7, local.date().day(),
                      local.time().hour(), local.time().minute(), local.time().second()};
        if (transition.daylightTimeOffset > 0) {
            record.daylightDate = date;
            record.daylightBias = -transition.daylightTimeOffset / 60;
        } else {
            record.standardDate = date;
        }
    }
    if (record.standardDate.month == 0)
        record.daylightDate = {};
    return record;
}

void GatherSystemFacts()
{
    TraceDepth = 0;
    const QLocale locale = QLocale::system();
    Language = LanguageForId(LanguageIdForLocale(locale));
#ifdef Q_OS_WIN
    // The Windows sources of these facts live in the platform files.
#else
    OSName = OSNameFor(Platform::Other, 0, 0, {});
    IsNTFamily = IsNTFamilyName(OSName);
    DesktopPath = "\\";
    const QDateTime now = Clock::Now();
    const DaylightFacts daylight =
        ComputeDaylight(CountryCodeForTerritory(locale.territory()), SystemTimeZoneRecord(now), now);
    DaylightActive = daylight.active;
    DaylightBias = daylight.bias;
#endif
}

} // namespace Support
