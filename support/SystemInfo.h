#pragma once
// Facts about the system, gathered once before any window exists. The rules that derive
// them are in support/PlatformRules.h; this file feeds them from the running system.

#include "support/PlatformRules.h"

#include <QDateTime>
#include <QLocale>
#include <string>

namespace Support {

// Unit-level facts (set by GatherSystemFacts; tests may set them directly).
extern std::string Language; // "NLD" or "ENU"
extern std::string OSName;
extern bool IsNTFamily;
extern bool DaylightActive;
extern double DaylightBias;     // a fraction of a day; one hour is 1/24
extern std::string DesktopPath; // the Desktop folder with a final backslash (Windows)

// Gathers the facts in their order: trace depth, language, Windows line, Desktop folder,
// daylight saving.
void GatherSystemFacts();

// The Windows language identifier that corresponds to a locale (nl_NL gives 1043).
int LanguageIdForLocale(const QLocale& locale);
// The international dialling code of a territory, as the Windows country setting holds it.
int CountryCodeForTerritory(QLocale::Territory territory);
// The record of a time zone, with the year's transitions of `localNow` as absolute dates.
TimeZoneRecord TimeZoneRecordFor(const QTimeZone& zone, const QDateTime& localNow);
CivilTime ToCivilTime(const QDateTime& moment);

} // namespace Support
