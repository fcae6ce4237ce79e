#include "support/Folders_win.h"

#include "support/PlatformRules.h"
#include "support/WinHandle_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <optional>

namespace Support::Win32 {

namespace {

// Paths are handed on in buffers of MAX_PATH characters, the final code 0 included.
constexpr std::size_t MaxPathLength = MAX_PATH - 1;

bool IsDriveLetter(char letter)
{
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
    if (length == 0 || length >= MAX_PATH)
        return path;
    return std::string(buffer, length);
}

// Creates every folder along the path; the ones that exist or cannot be made are passed over.
void CreateFolders(const std::string& folder)
{
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at == folder.size() || IsSeparator(folder[at]))
            CreateDirectoryA(folder.substr(0, at).c_str(), nullptr);
    }
}

std::string FolderOf(const std::string& path)
{
    const auto at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string() : path.substr(0, at);
}

struct DosTime
{
    WORD date = 0;
    WORD time = 0;
};

// The last-write time as a local DOS time; nothing when it has none (before 1980, after 2107).
std::optional<DosTime> LastWriteDosTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    DosTime dos;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &dos.date, &dos.time))
        return std::nullopt;
    return dos;
}

std::optional<DosTime> ShiftedDosTime(const DosTime& dos, long long seconds)
{
    FILETIME local;
    if (!DosDateTimeToFileTime(dos.date, dos.time, &local))
        return std::nullopt;
    ULARGE_INTEGER ticks;
    ticks.LowPart = local.dwLowDateTime;
    ticks.HighPart = local.dwHighDateTime;
    ticks.QuadPart += static_cast<std::uint64_t>(seconds * 10'000'000LL); // 100-nanosecond steps
    local.dwLowDateTime = ticks.LowPart;
    local.dwHighDateTime = ticks.HighPart;
    DosTime shifted;
    if (!FileTimeToDosDateTime(&local, &shifted.date, &shifted.time))
        return std::nullopt;
    return shifted;
}

void SetLastWriteDosTime(const std::string& path, const DosTime& dos)
{
    FILETIME local;
    FILETIME universal;
    if (!DosDateTimeToFileTime(dos.date, dos.time, &local) || !LocalFileTimeToFileTime(&local, &universal))
        return;
    // Writing the attributes suffices, and also works on a copy of a read-only file.
    const WinHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file)
        SetFileTime(file.Get(), nullptr, nullptr, &universal);
}

} // namespace

std::string DriveTypeNameOf(char letter)
{
    if (!IsDriveLetter(letter))
        return {};
    const char root[] = {letter, ':', '\\', '\0'};
    return DriveTypeName(static_cast<int>(GetDriveTypeA(root)));
}

std::string DriveTypeNameOfPath(const std::string& path)
{
    if (path.empty())
        return {};
    const std::string full = FullPath(path);
    if (full.size() >= 2 && full[1] == ':')
        return DriveTypeNameOf(full[0]);
    return {};
}

bool CopyFileKeepingTime(const std::string& source, const std::string& target, bool failIfExists,
                         bool daylightActive, double daylightBias)
{
    if (source.empty() || target.empty() || source.size() > MaxPathLength || target.size() > MaxPathLength)
        return false;
    const std::string folder = FolderOf(target);
    if (!folder.empty())
        CreateFolders(folder);
    const DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    const std::optional<DosTime> sourceTime = LastWriteDosTime(source);
    if (!CopyFileA(source.c_str(), target.c_str(), failIfExists ? TRUE : FALSE))
        return false;
    // Without a DOS time the copy keeps the time the copy service gave it.
    if (!sourceTime)
        return true;
    const TimeStampShift shift =
        DecideTimeStampShift(DriveTypeNameOfPath(source), DriveTypeNameOfPath(target), daylightActive);
    if (const auto targetTime = ShiftedDosTime(*sourceTime, TimeStampShiftSeconds(shift, daylightBias)))
        SetLastWriteDosTime(target, *targetTime);
    return true;
}

} // namespace Support::Win32
