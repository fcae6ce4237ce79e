#pragma once
// Where the program keeps its files, and copying a file with its time stamp.

#include "support/PlatformRules.h"

#include <QDateTime>
#include <string>

namespace Support {

// The data folder for a product, created; it ends with a separator. On Linux
// $XDG_DATA_HOME/<product>/ (default ~/.local/share/<product>/). On Windows it is derived
// from the Desktop folder (`desktopPath`, with its final backslash) on the NT line, and is
// the current folder on any other Windows line; Linux reads neither value.
std::string GetDataFolder(const std::string& productName, bool isNTFamily, const std::string& desktopPath);

// Creates the folder with its parents and makes it the current directory when it exists.
// True when the current directory plus a separator then equals the path exactly.
bool ForceFolder(const std::string& path);

// The type of the drive with this letter; empty on systems without drive letters.
std::string GetDriveTypeName(char driveLetter);

QDateTime ShiftedTimeStamp(const QDateTime& sourceTime, TimeStampShift shift, double daylightBias);

// Copies a file, creating the target's folder, and carries the time stamp over, corrected by
// `daylight` (the system's daylight saving at start-up) between drives that keep their file
// times differently. True when the copy was made; a missing source or an existing target
// (when failIfExists) gives false and leaves the target as it was.
bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists,
                const DaylightFacts& daylight);

// The starter history for a first run: the first of `candidates` that exists, or empty.
std::string FirstExistingFile(const std::initializer_list<std::string>& candidates);
// The places a first run looks for AEX.dat: the current folder, the executable's folder,
// the installed data folder.
std::string FindStarterHistory(const std::string& executableFolder);

} // namespace Support
