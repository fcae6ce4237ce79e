#include "support/SystemInfo_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>
#include <optional>

namespace Support::Win32 {

namespace {

const char* const ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const InternationalKey = "Control Panel\\International";

// An open registry key, closed on every path.
class RegistryKey
{
public:
    RegistryKey(HKEY root, const char* path)
    {
        if (RegOpenKeyExA(root, path, 0, KEY_QUERY_VALUE, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryKey()
    {
        if (m_key != nullptr)
            RegCloseKey(m_key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

struct RegistryValue
{
    DWORD type = REG_NONE;
    std::string data;
};

std::optional<RegistryValue> ReadUserValue(const char* keyPath, const char* name)
{
    const RegistryKey key(HKEY_CURRENT_USER, keyPath);
    if (key.Get() == nullptr)
        return std::nullopt;
    // The value may grow between asking its size and reading it: ask again a few times.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        RegistryValue value;
        value.data.resize(size);
        const LONG result = RegQueryValueExA(key.Get(), name, nullptr, &value.type,
                                             reinterpret_cast<BYTE*>(value.data.data()), &size);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        return value;
    }
    return std::nullopt;
}

// A text value up to its first code 0; nothing for values of other types.
std::optional<std::string> ReadUserText(const char* keyPath, const char* name)
{
    const auto value = ReadUserValue(keyPath, name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ))
        return std::nullopt;
    return value->data.substr(0, value->data.find('\0'));
}

ZoneDate ToZoneDate(const SYSTEMTIME& time)
{
    return {time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

} // namespace

int UserLanguageId()
{
    return GetUserDefaultLangID();
}

VersionFacts ReadVersionFacts()
{
    static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record the system expects");
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    // Deprecated because newer systems report an older version to programs without a
    // manifest; the program's version table expects exactly that behaviour.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    const BOOL known = GetVersionExA(&info);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
    VersionFacts facts;
    if (!known)
        return facts;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s:
        facts.platform = Platform::Win32s;
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        facts.platform = Platform::Windows95Line;
        break;
    case VER_PLATFORM_WIN32_NT:
        facts.platform = Platform::NTLine;
        break;
    default:
        facts.platform = Platform::Other;
        break;
    }
    facts.major = static_cast<int>(info.dwMajorVersion);
    facts.minor = static_cast<int>(info.dwMinorVersion);
    facts.serviceText.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    return facts;
}

std::string ReadDesktopPath()
{
    return ReadUserText(ShellFoldersKey, "Desktop").value_or(std::string()) + "\\";
}

int ReadCountryCode()
{
    const auto value = ReadUserValue(InternationalKey, "iCountry");
    if (!value)
        return 1;
    if (value->type == REG_DWORD && value->data.size() == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, value->data.data(), sizeof number);
        return static_cast<int>(number);
    }
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ)
        return 1;
    return CountryCodeFromText(value->data.substr(0, value->data.find('\0')));
}

TimeZoneRecord ReadTimeZoneRecord()
{
    TIME_ZONE_INFORMATION zone;
    std::memset(&zone, 0, sizeof zone);
    TimeZoneRecord record;
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return record;
    record.standardBias = static_cast<int>(zone.StandardBias);
    record.daylightBias = static_cast<int>(zone.DaylightBias);
    record.standardDate = ToZoneDate(zone.StandardDate);
    record.daylightDate = ToZoneDate(zone.DaylightDate);
    return record;
}

CivilTime LocalNow()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

} // namespace Support::Win32
