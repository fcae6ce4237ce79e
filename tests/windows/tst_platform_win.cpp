// Checks the Windows platform code against a real Windows API (on Windows or under wine):
// the rules it feeds, registry values written and read back, the time zone, drive types,
// the file copy with its time stamp and finding and ending a process by its path.
//
//   tst_platform_win.exe [options]            the checks that leave the system as it was
//     --write-registry      also write the current user's Desktop and country values and read
//                           them back (for a throw-away system: a failed run may leave them changed)
//     --zone=cet            the system's zone is the Central European one (TZ=Europe/Amsterdam)
//     --removable-drive=R   R: is a drive of the removable type
//   tst_platform_win.exe --language=1043,NLD  only the user's language and its code

#include "tests/windows/Checks_win.h"

#include "support/Folders_win.h"
#include "support/PlatformRules.h"
#include "support/SystemInfo_win.h"
#include "update/InstallerFiles.h"
#include "update/ProcessFinder_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

using namespace Support;
using Checks::Equal;
using Checks::True;

namespace {

const char* const ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const InternationalKey = "Control Panel\\International";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// ---- the plain rules, built by this compiler -------------------------------------------

void CheckVersionTable()
{
    struct Row
    {
        const char* what;
        Platform platform;
        int major;
        int minor;
        const char* service;
        const char* name;
        bool nt;
    };
    const Row rows[] = {
        {"95", Platform::Windows95Line, 4, 0, "", "95", false},
        {"95 OSR2 (B)", Platform::Windows95Line, 4, 0, "B", "95 OSR2", false},
        {"95 OSR2 (C)", Platform::Windows95Line, 4, 0, "C", "95 OSR2", false},
        {"95, service text after a blank", Platform::Windows95Line, 4, 0, " C", "95", false},
        {"98", Platform::Windows95Line, 4, 10, "", "98", false},
        {"98 SE", Platform::Windows95Line, 4, 10, "A ", "98 SE", false},
        {"ME", Platform::Windows95Line, 4, 90, "", "ME", false},
        {"95 line, unnamed minor", Platform::Windows95Line, 4, 20, "", "", false},
        {"95 line, major 5", Platform::Windows95Line, 5, 0, "", "9x version (unknown)", false},
        {"NT 3.51", Platform::NTLine, 3, 51, "", "NT", true},
        {"NT 4", Platform::NTLine, 4, 0, "Service Pack 6", "NT", true},
        {"2000", Platform::NTLine, 5, 0, "", "2000", true},
        {"XP", Platform::NTLine, 5, 1, "Service Pack 3", "XP", true},
        {"Server 2003", Platform::NTLine, 5, 2, "", "Server 2003", true},
        {"NT 5.3", Platform::NTLine, 5, 3, "", "", false},
        {"Vista", Platform::NTLine, 6, 0, "", "Vista", true},
        {"Windows 7", Platform::NTLine, 6, 1, "Service Pack 1", "Windows 7", true},
        {"Windows 8", Platform::NTLine, 6, 2, "", "Future Windows version (unknown)", true},
        {"NT 10", Platform::NTLine, 10, 0, "", "Future Windows version (unknown)", true},
        {"Win32s", Platform::Win32s, 3, 10, "", "", false},
        {"other platform", Platform::Other, 6, 1, "", "", false},
    };
    for (const Row& row : rows) {
        const std::string name = OSNameFor(row.platform, row.major, row.minor, row.service);
        Equal(std::string("version name: ") + row.what, name, std::string(row.name));
        Equal(std::string("NT line: ") + row.what, IsNTFamilyName(name), row.nt);
    }
    Equal("NT line: lower-case name", IsNTFamilyName("xp"), false);
}

// The Central European zone as the system describes it: daylight time from the last Sunday of
// March 02:00 to the last Sunday of October 03:00, one hour.
TimeZoneRecord CentralEuropean()
{
    TimeZoneRecord cet;
    cet.daylightBias = -60;
    cet.daylightDate = {0, 3, 0, 5, 2, 0, 0};
    cet.standardDate = {0, 10, 0, 5, 3, 0, 0};
    return cet;
}

void CheckDaylightRule()
{
    const TimeZoneRecord cet = CentralEuropean();
    TimeZoneRecord noDaylight = cet;
    noDaylight.daylightDate = {};
    noDaylight.standardDate = {};
    TimeZoneRecord absolute = cet;
    absolute.daylightDate = {2012, 4, 0, 1, 2, 0, 0};
    absolute.standardDate = {2012, 9, 0, 30, 3, 0, 0};

    struct Row
    {
        const char* what;
        int country;
        const TimeZoneRecord* zone;
        CivilTime now;
        bool active;
        double bias;
    };
    const Row rows[] = {
        {"July, country 31", 31, &cet, {2012, 7, 15, 12, 0, 0}, true, 1.0 / 24},
        {"January, country 31", 31, &cet, {2012, 1, 15, 12, 0, 0}, false, 1.0 / 24},
        {"country 1 in July", 1, &cet, {2012, 7, 15, 12, 0, 0}, false, 0.0},
        {"zone without daylight time", 31, &noDaylight, {2012, 7, 15, 12, 0, 0}, false, 0.0},
        {"at the start moment", 31, &cet, {2012, 3, 25, 2, 0, 0}, false, 1.0 / 24},
        {"a second after the start", 31, &cet, {2012, 3, 25, 2, 0, 1}, true, 1.0 / 24},
        {"the day before the start", 31, &cet, {2012, 3, 24, 12, 0, 0}, false, 1.0 / 24},
        {"a second before the end", 31, &cet, {2012, 10, 28, 2, 59, 59}, true, 1.0 / 24},
        {"at the end moment", 31, &cet, {2012, 10, 28, 3, 0, 0}, false, 1.0 / 24},
        {"absolute dates, inside", 31, &absolute, {2012, 6, 1, 0, 0, 0}, true, 1.0 / 24},
        {"absolute dates, after", 31, &absolute, {2012, 10, 5, 0, 0, 0}, false, 1.0 / 24},
    };
    for (const Row& row : rows) {
        const DaylightFacts facts = ComputeDaylight(row.country, *row.zone, row.now);
        Equal(std::string("daylight active: ") + row.what, facts.active, row.active);
        Equal(std::string("daylight bias: ") + row.what, facts.bias, row.bias);
    }

    struct DayRow
    {
        int year;
        int month;
        int weekday;
        int n;
        int day;
    };
    const DayRow days[] = {
        {2012, 3, 0, 5, 25}, {2012, 10, 0, 5, 28}, {2024, 3, 0, 5, 31}, {2012, 4, 0, 1, 1},
        {2013, 9, 0, 1, 1},  {2024, 2, 4, 5, 29},  {2023, 2, 3, 5, 22}, {2012, 7, 5, 3, 20},
    };
    for (const DayRow& row : days)
        Equal("weekday " + std::to_string(row.n) + " of " + std::to_string(row.year) + "-" +
                  std::to_string(row.month),
              NthWeekdayOfMonth(row.year, row.month, row.weekday, row.n), row.day);
}

void CheckDataFolderDerivation()
{
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\Users\\jan\\Desktop\\", "C:\\Users\\jan\\UserData\\Koerszicht\\"},
        {"D:\\Profiles\\jan\\Bureaublad\\", "D:\\Profiles\\jan\\UserData\\Koerszicht\\"},
        {"\\", "\\UserData\\Koerszicht\\"},
        {"Desktop\\", "\\UserData\\Koerszicht\\"},
        {"C:\\Desktop\\", "C:\\UserData\\Koerszicht\\"},
    };
    for (const auto& [desktop, folder] : rows)
        Equal(std::string("data folder of ") + desktop, DataFolderFromDesktop(desktop, "Koerszicht"),
              std::string(folder));
}

void CheckTimeStampDecision()
{
    struct Row
    {
        const char* source;
        const char* target;
        bool active;
        TimeStampShift shift;
    };
    const Row rows[] = {
        {"DRIVE_FIXED", "DRIVE_REMOVABLE", true, TimeStampShift::SubtractBias},
        {"DRIVE_FIXED", "", true, TimeStampShift::SubtractBias},
        {"DRIVE_REMOVABLE", "DRIVE_FIXED", true, TimeStampShift::AddBias},
        {"", "DRIVE_FIXED", true, TimeStampShift::AddBias},
        {"DRIVE_FIXED", "DRIVE_FIXED", true, TimeStampShift::Keep},
        {"DRIVE_REMOTE", "DRIVE_CDROM", true, TimeStampShift::Keep},
        {"DRIVE_FIXED", "DRIVE_REMOVABLE", false, TimeStampShift::Keep},
        {"DRIVE_REMOVABLE", "DRIVE_FIXED", false, TimeStampShift::Keep},
    };
    for (const Row& row : rows)
        Equal(std::string("time-stamp shift ") + row.source + " -> " + row.target +
                  (row.active ? " (daylight)" : ""),
              static_cast<int>(DecideTimeStampShift(row.source, row.target, row.active)),
              static_cast<int>(row.shift));
    Equal("shift seconds of one hour, added", TimeStampShiftSeconds(TimeStampShift::AddBias, 1.0 / 24),
          3600LL);
    Equal("shift seconds of one hour, subtracted",
          TimeStampShiftSeconds(TimeStampShift::SubtractBias, 1.0 / 24), -3600LL);
    Equal("shift seconds kept", TimeStampShiftSeconds(TimeStampShift::Keep, 1.0 / 24), 0LL);
}

// ---- registry ----------------------------------------------------------------------------

struct SavedValue
{
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

std::optional<SavedValue> SaveValue(const char* keyPath, const char* name)
{
    const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
    SavedValue saved;
    DWORD size = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, keyPath, name, flags, &saved.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    saved.data.resize(size);
    if (RegGetValueA(HKEY_CURRENT_USER, keyPath, name, flags, &saved.type, saved.data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    saved.data.resize(size);
    return saved;
}

bool WriteValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size)
{
    return RegSetKeyValueA(HKEY_CURRENT_USER, keyPath, name, type, data, size) == ERROR_SUCCESS;
}

bool WriteText(const char* keyPath, const char* name, const std::string& text, DWORD type = REG_SZ)
{
    return WriteValue(keyPath, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void DeleteValue(const char* keyPath, const char* name)
{
    RegDeleteKeyValueA(HKEY_CURRENT_USER, keyPath, name);
}

void RestoreValue(const char* keyPath, const char* name, const std::optional<SavedValue>& saved)
{
    if (saved)
        WriteValue(keyPath, name, saved->type, saved->data.data(), static_cast<DWORD>(saved->data.size()));
    else
        DeleteValue(keyPath, name);
}

void CheckDesktopFolder()
{
    const auto saved = SaveValue(ShellFoldersKey, "Desktop");
    const std::string longFolder = "C:\\" + std::string(250, 'd') + "\\Desktop";
    struct Row
    {
        const char* what;
        std::optional<std::string> text; // nothing: the value is deleted
        DWORD type;
        std::string expected;
    };
    const Row rows[] = {
        {"a profile on D:", "D:\\Profiles\\jan\\Desktop", REG_SZ, "D:\\Profiles\\jan\\Desktop\\"},
        {"an expandable text, kept as written", "%USERPROFILE%\\Desktop", REG_EXPAND_SZ,
         "%USERPROFILE%\\Desktop\\"},
        {"an empty text", "", REG_SZ, "\\"},
        {"a missing value", std::nullopt, REG_SZ, "\\"},
        {"a text longer than a path buffer", longFolder, REG_SZ, longFolder + "\\"},
    };
    for (const Row& row : rows) {
        if (row.text)
            True(std::string("write Desktop: ") + row.what,
                 WriteText(ShellFoldersKey, "Desktop", *row.text, row.type));
        else
            DeleteValue(ShellFoldersKey, "Desktop");
        Equal(std::string("Desktop folder: ") + row.what, Win32::ReadDesktopPath(), row.expected);
    }

    const DWORD number = 7;
    True("write Desktop as a number",
         WriteValue(ShellFoldersKey, "Desktop", REG_DWORD, &number, sizeof number));
    Equal("Desktop folder: a number is no folder", Win32::ReadDesktopPath(), std::string("\\"));
    RestoreValue(ShellFoldersKey, "Desktop", saved);
}

void CheckCountryCode()
{
    const auto saved = SaveValue(InternationalKey, "iCountry");
    struct Row
    {
        const char* what;
        std::optional<std::string> text; // nothing: the value is deleted
        int expected;
    };
    const Row rows[] = {
        {"the Netherlands", "31", 31},        {"the United States", "1", 1},  {"Luxembourg", "352", 352},
        {"surrounding blanks", " 32 ", 32},   {"leading zeros", "0031", 31},  {"a plus sign", "+44", 44},
        {"not a number", "abc", 1},           {"trailing letters", "31x", 1}, {"an empty text", "", 1},
        {"too large", "99999999999", 1},      {"a decimal point", "3.1", 1},  {"two signs", "+-3", 1},
        {"a missing value", std::nullopt, 1},
    };
    for (const Row& row : rows) {
        if (row.text)
            True(std::string("write iCountry: ") + row.what,
                 WriteText(InternationalKey, "iCountry", *row.text));
        else
            DeleteValue(InternationalKey, "iCountry");
        Equal(std::string("country code: ") + row.what, Win32::ReadCountryCode(), row.expected);
    }
    const DWORD number = 49;
    True("write iCountry as a number",
         WriteValue(InternationalKey, "iCountry", REG_DWORD, &number, sizeof number));
    Equal("country code: stored as a number", Win32::ReadCountryCode(), 49);
    const unsigned char bytes[] = {3, 1};
    True("write iCountry as bytes",
         WriteValue(InternationalKey, "iCountry", REG_BINARY, bytes, sizeof bytes));
    Equal("country code: stored as bytes", Win32::ReadCountryCode(), 1);
    RestoreValue(InternationalKey, "iCountry", saved);
}

// ---- version and time zone -----------------------------------------------------------------

void CheckVersion()
{
    const Win32::VersionFacts facts = Win32::ReadVersionFacts();
    const std::string name = OSNameFor(facts.platform, facts.major, facts.minor, facts.serviceText);
    std::cout << "system: platform " << static_cast<int>(facts.platform) << ", version " << facts.major << '.'
              << facts.minor << " \"" << facts.serviceText << "\", named \"" << name << "\"\n";
    Equal("the system is of the NT line", static_cast<int>(facts.platform),
          static_cast<int>(Platform::NTLine));
    True("the system's name is of the NT family", IsNTFamilyName(name));
    True("the system's version is at least 5.0", facts.major >= 5);
    Equal("IsPlatformNT", Update::Win32::IsPlatformNT(), true);
}

void CheckTimeZone()
{
    const TimeZoneRecord zone = Win32::ReadTimeZoneRecord();
    TIME_ZONE_INFORMATION information;
    const DWORD current = GetTimeZoneInformation(&information);
    const DaylightFacts now = ComputeDaylight(31, zone, Win32::LocalNow());
    // Wrong only within the hour of a change.
    Equal("daylight now agrees with the system", now.active, current == TIME_ZONE_ID_DAYLIGHT);
    const bool hasDaylight = information.DaylightDate.wMonth != 0;
    Equal("bias of the system zone", now.bias,
          hasDaylight ? (information.StandardBias - information.DaylightBias) / 1440.0 : 0.0);
}

// The biases and the two dates of a zone record, field by field.
std::string RecordText(const TimeZoneRecord& zone)
{
    std::string text = std::to_string(zone.standardBias) + " " + std::to_string(zone.daylightBias);
    for (const ZoneDate& date : {zone.daylightDate, zone.standardDate})
        for (const int field :
             {date.year, date.month, date.dayOfWeek, date.day, date.hour, date.minute, date.second})
            text += " " + std::to_string(field);
    return text;
}

// The system's zone record is the one CheckDaylightRule computes daylight time with.
void CheckCentralEuropeanZone()
{
    Equal("the system's zone record", RecordText(Win32::ReadTimeZoneRecord()), RecordText(CentralEuropean()));
}

void CheckLocalNow()
{
    SYSTEMTIME before;
    GetLocalTime(&before);
    const CivilTime now = Win32::LocalNow();
    True("local now is today",
         now.year == before.wYear && now.month == before.wMonth && now.day == before.wDay);
    True("local now is this hour", now.hour == before.wHour || (now.hour == (before.wHour + 1) % 24));
}

// ---- drives and files ------------------------------------------------------------------------

std::optional<char> LetterWithoutDrive()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'D'; --letter)
        if ((drives & (1u << (letter - 'A'))) == 0)
            return letter;
    return std::nullopt;
}

void CheckDriveTypes(std::optional<char> removable)
{
    Equal("drive type of C", Win32::DriveTypeNameOf('C'), std::string("DRIVE_FIXED"));
    Equal("drive type of c", Win32::DriveTypeNameOf('c'), std::string("DRIVE_FIXED"));
    if (const auto letter = LetterWithoutDrive())
        Equal(std::string("drive type of the missing drive ") + *letter, Win32::DriveTypeNameOf(*letter),
              std::string());
    else
        True("a letter without a drive", false);
    for (const char character : {'\0', '\\', '.', '1', ':', '?'})
        Equal("drive type of the character " + std::to_string(static_cast<int>(character)),
              Win32::DriveTypeNameOf(character), std::string());
    if (removable)
        Equal(std::string("drive type of ") + *removable, Win32::DriveTypeNameOf(*removable),
              std::string("DRIVE_REMOVABLE"));
    Equal("drive type of a path on C", Win32::DriveTypeNameOfPath("C:\\windows"), std::string("DRIVE_FIXED"));
    Equal("drive type of an empty path", Win32::DriveTypeNameOfPath(""), std::string());
}

std::string Folder(const std::string& path)
{
    return path.substr(0, path.find_last_of('\\'));
}

bool WriteFileText(const std::string& path, const std::string& text)
{
    CreateDirectoryA(Folder(path).c_str(), nullptr);
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size();
    CloseHandle(file);
    return ok;
}

std::string ReadFileText(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string text(4096, '\0');
    DWORD read = 0;
    ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Seconds since 1601 of a universal time.
long long UniversalSeconds(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second)
{
    const SYSTEMTIME time = {year, month, 0, day, hour, minute, second, 0};
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    return static_cast<long long>((static_cast<unsigned long long>(file.dwHighDateTime) << 32) |
                                  file.dwLowDateTime) /
           10'000'000LL;
}

bool SetWriteSeconds(const std::string& path, long long seconds, int extraMilliseconds = 0)
{
    const unsigned long long ticks = static_cast<unsigned long long>(seconds) * 10'000'000ULL +
                                     static_cast<unsigned long long>(extraMilliseconds) * 10'000ULL;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool ok = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    return ok;
}

// Seconds since 1601; -1 when the file is missing.
long long WriteSeconds(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return static_cast<long long>(
               (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
               data.ftLastWriteTime.dwLowDateTime) /
           10'000'000LL;
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// The number of handles this process holds, from the system's handle table (the process's own
// handle count is not kept by every system that runs this program).
std::optional<DWORD> HandleCount()
{
    struct TableEntry
    {
        USHORT processId;
        USHORT creatorBackTraceIndex;
        UCHAR objectType;
        UCHAR attributes;
        USHORT handle;
        PVOID object;
        ULONG grantedAccess;
    };
    using QueryFunction = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG SystemHandleInformation = 16;
    constexpr LONG LengthMismatch = static_cast<LONG>(0xC0000004);
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return std::nullopt;
    std::vector<unsigned char> buffer(1 << 16);
    LONG status = LengthMismatch;
    while (status == LengthMismatch && buffer.size() <= (1u << 27)) {
        ULONG needed = 0;
        status = query(SystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == LengthMismatch)
            buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed + 4096));
    }
    if (status != 0)
        return std::nullopt;
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const std::size_t offset = sizeof(ULONG_PTR) == 4 ? 4 : 8;
    const std::size_t available = (buffer.size() - offset) / sizeof(TableEntry);
    const auto* entries = reinterpret_cast<const TableEntry*>(buffer.data() + offset);
    const USHORT self = static_cast<USHORT>(GetCurrentProcessId());
    DWORD own = 0;
    for (std::size_t index = 0; index < std::min<std::size_t>(count, available); ++index)
        if (entries[index].processId == self)
            ++own;
    return own;
}

void CheckCopyTimeStamps(const std::string& work, std::optional<char> removable)
{
    const long long summer = UniversalSeconds(2012, 7, 15, 10, 20, 30);
    const auto handlesBefore = HandleCount();
    const std::string fixedFolder = work + "\\fixed";
    const std::string removableFolder =
        removable ? std::string(1, *removable) + ":\\koerszicht-test-" + std::to_string(GetCurrentProcessId())
                  : "";

    struct Row
    {
        const char* what;
        std::string sourceFolder;
        std::string targetFolder;
        bool active;
        double bias;
        long long shift;
        bool needsRemovable;
    };
    const Row rows[] = {
        {"fixed to fixed in daylight time", fixedFolder, work + "\\to-fixed", true, 1.0 / 24, 0, false},
        {"fixed to fixed outside daylight time", fixedFolder, work + "\\to-fixed-2", false, 1.0 / 24, 0,
         false},
        {"fixed to removable in daylight time", fixedFolder, removableFolder + "\\from-fixed", true, 1.0 / 24,
         -3600, true},
        {"removable to fixed in daylight time", removableFolder, work + "\\from-removable", true, 1.0 / 24,
         3600, true},
        {"fixed to removable outside daylight time", fixedFolder, removableFolder + "\\from-fixed-2", false,
         1.0 / 24, 0, true},
        {"removable to removable in daylight time", removableFolder, removableFolder + "\\again", true,
         1.0 / 24, 0, true},
        {"fixed to removable, two hours", fixedFolder, removableFolder + "\\two-hours", true, 2.0 / 24, -7200,
         true},
    };
    for (const Row& row : rows) {
        if (row.needsRemovable && !removable) {
            std::cout << "skipped (no removable drive): " << row.what << '\n';
            continue;
        }
        const std::string source = row.sourceFolder + "\\AEX.dat";
        const std::string target = row.targetFolder + "\\deeper\\AEX.dat";
        True(std::string("write source: ") + row.what, WriteFileText(source, "40909 - 318,52\r\n"));
        True(std::string("set source time: ") + row.what, SetWriteSeconds(source, summer));
        Equal(std::string("copy made: ") + row.what,
              Win32::CopyFileKeepingTime(source, target, true, row.active, row.bias), true);
        Equal(std::string("copy content: ") + row.what, ReadFileText(target),
              std::string("40909 - 318,52\r\n"));
        Equal(std::string("copy time shift: ") + row.what, WriteSeconds(target) - summer, row.shift);
    }
    if (handlesBefore)
        Equal("the copies leave no handle open", HandleCount().value_or(0), *handlesBefore);
    if (removable)
        RemoveTree(removableFolder);
}

void CheckCopyRules(const std::string& work)
{
    const std::string source = work + "\\rules\\AEX.dat";
    const long long summer = UniversalSeconds(2012, 7, 15, 10, 20, 30);
    WriteFileText(source, "new");

    // The two-second steps of a DOS file time.
    SetWriteSeconds(source, summer + 1, 500);
    const std::string odd = work + "\\odd\\AEX.dat";
    Equal("copy with odd seconds", Win32::CopyFileKeepingTime(source, odd, true, false, 0.0), true);
    Equal("odd seconds round down to two", WriteSeconds(odd) - summer, 0LL);

    // An existing target.
    const std::string existing = work + "\\existing\\AEX.dat";
    WriteFileText(existing, "old");
    Equal("existing target, fail if exists", Win32::CopyFileKeepingTime(source, existing, true, false, 0.0),
          false);
    Equal("existing target kept", ReadFileText(existing), std::string("old"));
    Equal("existing target, overwrite", Win32::CopyFileKeepingTime(source, existing, false, false, 0.0),
          true);
    Equal("existing target overwritten", ReadFileText(existing), std::string("new"));

    // Sources that cannot be copied.
    const std::string missingTarget = work + "\\from-missing\\AEX.dat";
    Equal("missing source",
          Win32::CopyFileKeepingTime(work + "\\nothing.dat", missingTarget, true, false, 0.0), false);
    Equal("missing source makes no target", Exists(missingTarget), false);
    True("missing source still makes the target folder", Exists(Folder(missingTarget)));
    Equal("folder as source",
          Win32::CopyFileKeepingTime(work + "\\rules", work + "\\dir-copy", true, false, 0.0), false);
    Equal("empty source", Win32::CopyFileKeepingTime("", work + "\\empty\\AEX.dat", true, false, 0.0), false);
    Equal("empty target", Win32::CopyFileKeepingTime(source, "", true, false, 0.0), false);
    const std::string tooLong = work + "\\" + std::string(260, 'x') + ".dat";
    Equal("target path of 260 characters or more",
          Win32::CopyFileKeepingTime(source, tooLong, true, false, 0.0), false);

    // A time before 1980 has no DOS time: the copy keeps the time the copy service gives it.
    const long long old = UniversalSeconds(1975, 6, 1, 12, 0, 0);
    SetWriteSeconds(source, old);
    const std::string ancient = work + "\\ancient\\AEX.dat";
    Equal("source from before 1980", Win32::CopyFileKeepingTime(source, ancient, true, true, 1.0 / 24), true);
    Equal("source from before 1980 keeps its time", WriteSeconds(ancient), old);

    // A bare name lies in the current folder, on a fixed drive: no daylight correction.
    SetWriteSeconds(source, summer);
    char remembered[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, remembered);
    SetCurrentDirectoryA((work + "\\rules").c_str());
    const std::string fromBare = work + "\\from-bare\\AEX.dat";
    Equal("bare source name", Win32::CopyFileKeepingTime("AEX.dat", fromBare, true, true, 1.0 / 24), true);
    SetCurrentDirectoryA(remembered);
    Equal("bare source name on a fixed drive keeps the time", WriteSeconds(fromBare) - summer, 0LL);
}

// ---- processes -------------------------------------------------------------------------------

struct Started
{
    PROCESS_INFORMATION info = {};
    bool ok = false;
};

// Starts `program`; `what` names the check that it started.
Started Start(const std::string& program, const char* what)
{
    Started started;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string commandLine = '"' + program + '"';
    started.ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started.info) != FALSE;
    True(what, started.ok);
    return started;
}

void Stop(Started& started)
{
    if (!started.ok)
        return;
    if (WaitForSingleObject(started.info.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(started.info.hProcess, 9);
    CloseHandle(started.info.hThread);
    CloseHandle(started.info.hProcess);
    started.ok = false;
}

// Asks the finder until it answers or a few seconds passed: a fresh process needs a moment
// before its module names can be read.
template <typename Finder> Update::Win32::FoundProcess FindSoon(Finder find, const std::string& path)
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (auto found = find(path))
            return found;
        Sleep(25);
    }
    return {};
}

bool EndedWithin(const Started& started, DWORD milliseconds, DWORD expectedCode)
{
    if (WaitForSingleObject(started.info.hProcess, milliseconds) != WAIT_OBJECT_0)
        return false;
    DWORD code = 1234;
    GetExitCodeProcess(started.info.hProcess, &code);
    return code == expectedCode;
}

// The download folder's files: created only when new, read while nobody may write them, and a
// file in the folder's place refused.
void CheckDownloadFolder(const std::string& work)
{
    namespace Files = Update::Files;
    const std::string folder = work + "\\Temp\\";
    True("download folder made", Files::PrepareFolder(folder) == Files::FolderState::Usable);
    {
        Files::File created = Files::CreateNew(folder, "kz101.exe", Files::Kind::Program);
        True("new file created", static_cast<bool>(created));
        True("written", created.Write("MZ", 2));
        True("closed", created.Close());
    }
    True("an existing name is not created again", !Files::CreateNew(folder, "kz101.exe", Files::Kind::Data));
    {
        Files::File held = Files::OpenForReading(folder, "kz101.exe");
        char bytes[4] = {};
        Equal("read back", held.Read(bytes, sizeof bytes), std::int64_t{2});
        const HANDLE writer =
            CreateFileA((folder + "kz101.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        True("no writer while it is held", writer == INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE)
            CloseHandle(writer);
    }
    True("removed", Files::Remove(folder, "kz101.exe"));
    True("a folder is not a file to read", !Files::OpenForReading(work + "\\", "Temp"));
    const std::string notAFolder = work + "\\plain";
    CloseHandle(CreateFileA(notAFolder.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    True("a file in the folder's place refused",
         Files::InspectFolder(notAFolder + "\\") == Files::FolderState::Refused);
}

void CheckComparablePath()
{
    const std::pair<const char*, const char*> rows[] = {
        {" c:\\Program Files\\Koerszicht\\Koerszicht_Sched.exe\t",
         "C:\\PROGRAM FILES\\KOERSZICHT\\KOERSZICHT_SCHED.EXE"},
        {"\r\n C:\\A.EXE \x01", "C:\\A.EXE"},
        {"   ", ""},
        {"", ""},
        {"c:\\in between\\x.exe", "C:\\IN BETWEEN\\X.EXE"},
        {"C:/Program Files/Koerszicht/Koerszicht_Sched.exe",
         "C:\\PROGRAM FILES\\KOERSZICHT\\KOERSZICHT_SCHED.EXE"},
    };
    for (const auto& [path, expected] : rows)
        Equal(std::string("comparable path of \"") + path + "\"", Update::Win32::ComparablePath(path),
              std::string(expected));
}

void CheckProcesses(const std::string& work, const std::string& helper)
{
    using namespace Update::Win32;
    const std::string name = "Kz_Helper.exe";
    const std::string here = work + "\\running\\" + name;
    const std::string elsewhere = work + "\\elsewhere\\" + name;
    CreateDirectoryA((work + "\\running").c_str(), nullptr);
    CreateDirectoryA((work + "\\elsewhere").c_str(), nullptr);
    True("helper copied", CopyFileA(helper.c_str(), here.c_str(), FALSE) != FALSE);
    True("helper copied elsewhere", CopyFileA(helper.c_str(), elsewhere.c_str(), FALSE) != FALSE);

    Started running = Start(here, "helper started");
    if (!running.ok)
        return;

    // The process-status route.
    FoundProcess found = FindSoon(FindProcessNT, " \t" + Lower(here) + "  ");
    True("found by its path in other letter case with blanks", static_cast<bool>(found));
    Equal("the found process id is the helper's", found.processId, running.info.dwProcessId);
    if (found)
        Equal("the found handle is the helper's", GetProcessId(found.handle.Get()), running.info.dwProcessId);

    const auto before = HandleCount();
    True("handle count available", before.has_value() && *before > 0);
    struct Row
    {
        const char* what;
        std::string path;
    };
    const Row none[] = {
        {"the same name in another folder", elsewhere},
        {"the bare file name", name},
        {"the folder only", work + "\\running"},
        {"the path with a character more", here + "x"},
        {"an empty path", ""},
    };
    for (const Row& row : none) {
        bool nothing = false;
        try {
            nothing = !FindProcessNT(row.path);
        } catch (const std::system_error& error) {
            std::cout << "listing failed: " << error.what() << '\n';
        }
        True(std::string("process-status route finds none: ") + row.what, nothing);
        if (before)
            Equal(std::string("no handle left open: ") + row.what, HandleCount().value_or(0), *before);
    }
    True("found by the chosen route", static_cast<bool>(FindProcessByPath(Upper(here))));
    if (before)
        Equal("no handle left open after a match was closed", HandleCount().value_or(0), *before);

    True("ended", EndProcess(found));
    True("handle closed after ending", !found);
    True("the helper ended with code 0", EndedWithin(running, 5000, 0));
    Stop(running);
    True("none found once ended", !FindProcessNT(here));

    // The tool-help route: the executable field holds what the system puts there (the full
    // path on the 95 line, the file name on the NT line).
    Started again = Start(here, "helper started again");
    if (!again.ok)
        return;
    const std::string entryText = IsPlatformNT() ? name : here;
    FoundProcess byToolHelp = FindSoon(FindProcessToolHelp, "  " + Upper(entryText) + " ");
    True("tool-help route finds it in other letter case with blanks", static_cast<bool>(byToolHelp));
    Equal("the tool-help process id is the helper's", byToolHelp.processId, again.info.dwProcessId);
    // The handle carries the right to terminate only, so the helper's exit code tells it was the one.
    const auto beforeToolHelp = HandleCount();
    True("tool-help route finds none for another name", !FindProcessToolHelp("Kz_Other.exe"));
    True("tool-help route finds none for an empty text", !FindProcessToolHelp(""));
    if (beforeToolHelp)
        Equal("tool-help route leaves no handle open", HandleCount().value_or(0), *beforeToolHelp);
    True("ended through the tool-help handle", EndProcess(byToolHelp));
    True("the helper ended again with code 0", EndedWithin(again, 5000, 0));
    Stop(again);

    // Ending by the id alone, as a caller does that keeps no handle between finding and ending.
    Started third = Start(here, "helper started a third time");
    if (!third.ok)
        return;
    unsigned long id = 0;
    {
        const FoundProcess byPath = FindSoon(FindProcessByPath, here);
        id = byPath.processId;
    }
    Equal("the id found is the helper's", id, third.info.dwProcessId);
    True("ended by its id", EndProcessById(id));
    True("the helper ended a third time with code 0", EndedWithin(third, 5000, 0));
    Stop(third);
    Equal("ending id 0", EndProcessById(0), false);
}

void CheckLanguage(const std::string& argument)
{
    const auto comma = argument.find(',');
    int expected = 0;
    std::from_chars(argument.data(), argument.data() + std::min(comma, argument.size()), expected);
    const std::string code = comma == std::string::npos ? std::string() : argument.substr(comma + 1);
    Equal("user language identifier", Win32::UserLanguageId(), expected);
    Equal("language code", LanguageForId(Win32::UserLanguageId()), code);
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return Folder(std::string(path, length));
}

std::string WorkFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "koerszicht-test-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    // The system names running programs by their long paths.
    char longPath[MAX_PATH];
    const DWORD length = GetLongPathNameA(folder.c_str(), longPath, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        folder.assign(longPath, length);
    return folder;
}

} // namespace

int main(int argc, char** argv)
{
    std::optional<char> removable;
    bool writeRegistry = false;
    bool centralEuropean = false;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument.rfind("--language=", 0) == 0) {
            CheckLanguage(argument.substr(11));
            return Checks::Summary();
        }
        if (argument.rfind("--removable-drive=", 0) == 0 && argument.size() > 18) {
            removable = argument[18];
        } else if (argument == "--write-registry") {
            writeRegistry = true;
        } else if (argument == "--zone=cet") {
            centralEuropean = true;
        } else {
            std::cout << "unknown option " << argument << '\n';
            return 2;
        }
    }

    CheckVersionTable();
    CheckDaylightRule();
    CheckDataFolderDerivation();
    CheckTimeStampDecision();
    if (writeRegistry) {
        CheckDesktopFolder();
        CheckCountryCode();
    }
    CheckVersion();
    CheckTimeZone();
    if (centralEuropean)
        CheckCentralEuropeanZone();
    CheckLocalNow();
    CheckDriveTypes(removable);
    CheckComparablePath();

    const std::string work = WorkFolder();
    CheckCopyTimeStamps(work, removable);
    CheckCopyRules(work);
    CheckDownloadFolder(work);
    CheckProcesses(work, ProgramFolder() + "\\process_helper_win.exe");
    RemoveTree(work);
    return Checks::Summary();
}
