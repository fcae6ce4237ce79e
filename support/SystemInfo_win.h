#pragma once
// The Windows sources of the system facts: registry values, the user's language, the
// version information and the time-zone record. Plain functions without Qt, so that a
// console test program checks them against a real Windows API.

#include "support/PlatformRules.h"

#include <string>

namespace Support::Win32 {

// The user's default language identifier (1043 is Dutch, Netherlands).
int UserLanguageId();

struct VersionFacts
{
    Platform platform = Platform::Other; // Other when the system gives no version information
    int major = 0;
    int minor = 0;
    std::string serviceText;
};
VersionFacts ReadVersionFacts();

// The current user's Desktop folder from the registry with a backslash appended; a lone
// backslash when the value is missing or holds no text.
std::string ReadDesktopPath();

// The current user's regional country setting; 1 when it is missing or holds no number.
int ReadCountryCode();

// The system's time-zone record; a record without daylight dates when the system has none.
TimeZoneRecord ReadTimeZoneRecord();

// The local date and time of the system clock.
CivilTime LocalNow();

} // namespace Support::Win32
