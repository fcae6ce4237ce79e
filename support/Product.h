#pragma once
// The product's own names.

#include "support/SystemFacts.h"

#include <string>
#include <string_view>

namespace Support {
inline constexpr const char* ProductName = "Koerszicht";
// Dutch, as the main window shows it; VersionTextIn gives it for a window that speaks English.
inline constexpr const char* VersionText = "versie 1.00d";
inline constexpr const char* CopyrightText = "Copyright \xA9 2026 het Koerszicht-project";

// A version text as a window in `language` shows it: Dutch keeps it as it is; English says
// "version" for the leading Dutch word "versie". Other texts stay as they are.
std::string VersionTextIn(std::string_view versionText, Language language);
} // namespace Support
