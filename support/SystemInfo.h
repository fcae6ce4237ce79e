#pragma once
// What the running system tells about itself, turned into the raw facts that the rules of
// support/PlatformRules.h read. GatherSystemFacts (support/SystemFacts.h) puts them together.

#include "support/PlatformRules.h"

#include <QDateTime>
#include <QLocale>
#include <string>

namespace Support {

// The Windows language identifier that corresponds to a locale (nl_NL gives 1043).
int LanguageIdForLocale(const QLocale& locale);
// The international dialling code of a territory, as the Windows country setting holds it.
int CountryCodeForTerritory(QLocale::Territory territory);
// The record of a time zone, with the year's transitions of `localNow` as absolute dates.
TimeZoneRecord TimeZoneRecordFor(const QTimeZone& zone, const QDateTime& localNow);
CivilTime ToCivilTime(const QDateTime& moment);

} // namespace Support
