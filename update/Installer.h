#pragma once
// The names, counts and arguments of the installer download and its start.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Update {

// The maker's two-letter prefix of installer names ("kzsched203.exe" shows as "kzSCHED").
inline constexpr const char* InstallerPrefix = "kz";
// The installer runs without a start prompt, silently, without program-group entries.
std::vector<std::string> InstallerArguments();

// The download folder under the data folder.
inline constexpr const char* DownloadFolderName = "Temp/";
// The download folder of a data folder; none without a data folder: a relative "Temp/" would
// name a folder in whatever the current folder is, and the start's removal of leftovers would
// empty it.
std::string DownloadFolder(const std::string& dataFolder);
// The installer of the running version: product + digits of the version text + ".exe".
std::string EarlierInstallerName(std::string_view productName, std::string_view versionText);
// The companion program that must not run while the installer does.
std::string CompanionProgramPath(std::string_view startFolder, std::string_view productName);

// The name shown in the installation lines: the download name before its first point,
// without digits, first letter a capital; a name starting with the installer prefix shows
// the prefix in small letters and the rest in capitals. Never empty: a name without
// letters shows the download name itself.
std::string InstallerDisplayName(std::string_view downloadName);

// The most bytes an installer listed with `listedKB` kilobytes may have: the listed size plus
// a tenth, at least 64 KiB more, and never more than MaxInstallerBytesAtAll.
inline constexpr std::int64_t MaxInstallerBytesAtAll = std::int64_t{512} << 20;
std::int64_t MaxInstallerBytes(std::int32_t listedKB);

// Kilobytes counted for one read: whole kilobytes, the remainder dropped.
std::int32_t CountedKB(std::size_t bytesRead);
// The whole percent of a progress within its range; 0 for an empty range.
int GaugePercent(std::int64_t minValue, std::int64_t maxValue, std::int64_t progress);

} // namespace Update
