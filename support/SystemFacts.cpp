#include "support/SystemFacts.h"

#include "support/Clock.h"
#include "support/Folders.h"
#include "support/PlatformRules.h"
#include "support/SystemInfo.h"
#include "support/Trace.h"

#include <QCoreApplication>
#include <QDir>
#include <QTimeZone>

#ifdef Q_OS_WIN
#include "support/SystemInfo_win.h"
#endif

namespace Support {

Language LanguageOfCode(std::string_view code)
{
    return code == "NLD" ? Language::Dutch : Language::English;
}

SystemFacts GatherSystemFacts(const std::string& productName)
{
    TraceDepth = 0;
    SystemFacts facts;
#ifdef Q_OS_WIN
    facts.language = LanguageOfCode(LanguageForId(Win32::UserLanguageId()));
    const Win32::VersionFacts version = Win32::ReadVersionFacts();
    facts.osName = OSNameFor(version.platform, version.major, version.minor, version.serviceText);
    facts.isNTFamily = IsNTFamilyName(facts.osName);
    facts.desktopPath = Win32::ReadDesktopPath();
    const DaylightFacts daylight =
        ComputeDaylight(Win32::ReadCountryCode(), Win32::ReadTimeZoneRecord(), ToCivilTime(Clock::Now()));
#else
    const QLocale locale = QLocale::system();
    facts.language = LanguageOfCode(LanguageForId(LanguageIdForLocale(locale)));
    facts.osName = OSNameFor(Platform::Other, 0, 0, {});
    facts.isNTFamily = IsNTFamilyName(facts.osName);
    facts.desktopPath = "\\";
    const QDateTime now = Clock::Now();
    const DaylightFacts daylight =
        ComputeDaylight(CountryCodeForTerritory(locale.territory()),
                        TimeZoneRecordFor(QTimeZone::systemTimeZone(), now), ToCivilTime(now));
#endif
    facts.daylightActive = daylight.active;
    facts.daylightBias = daylight.bias;
    facts.startFolder = QDir::currentPath().toLocal8Bit().toStdString() + "/";
    facts.programFolder = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    facts.dataFolder = GetDataFolder(productName, facts.isNTFamily, facts.desktopPath);
    return facts;
}

} // namespace Support
