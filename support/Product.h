#pragma once
// The product's own names.

namespace Support {
inline constexpr const char* ProductName = "Koerszicht";
inline constexpr const char* VersionText = "versie 1.00d";
inline constexpr const char* CopyrightText = "Copyright \xA9 2026 het Koerszicht-project";
} // namespace Support
