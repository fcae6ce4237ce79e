#pragma once
// Drive types and the file copy with its DOS time stamp on Windows. Plain functions
// without Qt, so that a console test program checks them against a real Windows API.

#include <string>

namespace Support::Win32 {

// The type name of the drive with this letter ("DRIVE_FIXED", ...); empty for a letter
// without a drive and for a character that is no drive letter.
std::string DriveTypeNameOf(char letter);

// The type name of the drive a path lies on. A relative path lies on the drive of the
// current directory; a path without a drive letter (a network share) gives empty.
std::string DriveTypeNameOfPath(const std::string& path);

// Copies `source` to `target`, creating the target's folder with its parents. The copy gets
// the source's last-write time in the two-second steps of a DOS file time, moved by the
// daylight bias (a fraction of a day) when daylight saving time is active and exactly one
// of the two drives is fixed. True when the copy was made; a missing source, an existing
// target when `failIfExists`, an empty path or one of 260 characters or more give false
// and leave the target as it was. Never throws.
bool CopyFileKeepingTime(const std::string& source, const std::string& target, bool failIfExists,
                         bool daylightActive, double daylightBias);

} // namespace Support::Win32
