#include "update/ProcessFinder_win.h"

#include "support/SystemInfo_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

namespace Update::Win32 {

namespace {

constexpr DWORD ProcessIdCount = 1001;
constexpr DWORD NameLength = 260;
constexpr DWORD NTAccess = PROCESS_TERMINATE | PROCESS_VM_READ | PROCESS_QUERY_INFORMATION; // 0x411
constexpr DWORD SnapshotProcesses = 2;
static_assert(NTAccess == 0x411);

// The tool-help record with its single-byte executable field, whatever the build's character
// setting; the system tells the layout apart by the size in the first field.
struct ProcessEntry
{
    DWORD size;
    DWORD usage;
    DWORD processId;
    ULONG_PTR defaultHeapId;
    DWORD moduleId;
    DWORD threads;
    DWORD parentProcessId;
    LONG priorityClassBase;
    DWORD flags;
    CHAR exeFile[MAX_PATH];
};
#ifndef _WIN64
static_assert(sizeof(ProcessEntry) == 296, "the 32-bit tool-help record");
#endif

using EnumProcessesFunction = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using ModuleNameFunction = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using SnapshotFunction = HANDLE(WINAPI*)(DWORD, DWORD);
using WalkFunction = BOOL(WINAPI*)(HANDLE, ProcessEntry*);

template <typename Function> Function Entry(HMODULE library, const char* name)
{
    if (library == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The process-status library, loaded by name at first use and kept for the rest of the run.
struct StatusLibrary
{
    EnumProcessesFunction enumProcesses = nullptr;
    ModuleNameFunction moduleBaseName = nullptr;
    ModuleNameFunction moduleFileName = nullptr;
    DWORD loadError = ERROR_SUCCESS;

    StatusLibrary()
    {
        HMODULE library = LoadLibraryA("PSAPI.dll");
        if (reinterpret_cast<std::uintptr_t>(library) < 32) {
            loadError = GetLastError();
            return;
        }
        enumProcesses = Entry<EnumProcessesFunction>(library, "EnumProcesses");
        if (enumProcesses == nullptr)
            loadError = GetLastError();
        moduleBaseName = Entry<ModuleNameFunction>(library, "GetModuleBaseNameA");
        moduleFileName = Entry<ModuleNameFunction>(library, "GetModuleFileNameExA");
    }
};

const StatusLibrary& Status()
{
    static const StatusLibrary library;
    return library;
}

struct ToolHelpLibrary
{
    SnapshotFunction createSnapshot = nullptr;
    WalkFunction first = nullptr;
    WalkFunction next = nullptr;

    ToolHelpLibrary()
    {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        createSnapshot = Entry<SnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
        first = Entry<WalkFunction>(kernel, "Process32First");
        next = Entry<WalkFunction>(kernel, "Process32Next");
    }
};

const ToolHelpLibrary& ToolHelp()
{
    static const ToolHelpLibrary library;
    return library;
}

[[noreturn]] void ThrowSystemError(DWORD code, const char* what)
{
    throw std::system_error(static_cast<int>(code), std::system_category(), what);
}

std::string TextUpToZero(const char* buffer, std::size_t capacity)
{
    return std::string(buffer, strnlen(buffer, capacity));
}

} // namespace

bool IsPlatformNT()
{
    return Support::Win32::ReadVersionFacts().platform == Support::Platform::NTLine;
}

std::string ComparablePath(const std::string& path)
{
    std::size_t first = 0;
    std::size_t last = path.size();
    while (first < last && static_cast<unsigned char>(path[first]) <= ' ')
        ++first;
    while (last > first && static_cast<unsigned char>(path[last - 1]) <= ' ')
        --last;
    std::string text = path.substr(first, last - first);
    std::replace(text.begin(), text.end(), '/', '\\');
    if (!text.empty())
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

FoundProcess FindProcessNT(const std::string& path)
{
    const std::string wanted = ComparablePath(path);
    const StatusLibrary& status = Status();
    if (status.enumProcesses == nullptr)
        ThrowSystemError(status.loadError, "EnumProcesses");

    DWORD ids[ProcessIdCount] = {};
    DWORD bytes = 0;
    if (!status.enumProcesses(ids, sizeof ids, &bytes))
        ThrowSystemError(GetLastError(), "EnumProcesses");
    static_assert(sizeof ids == 4004);
    const DWORD count = std::min<DWORD>(bytes / sizeof(DWORD), ProcessIdCount);

    for (DWORD index = 0; index < count; ++index) {
        WinHandle process(OpenProcess(NTAccess, FALSE, ids[index]));
        if (!process)
            continue;
        char baseName[NameLength] = {};
        if (status.moduleBaseName == nullptr ||
            status.moduleBaseName(process.Get(), nullptr, baseName, NameLength) == 0)
            continue;
        // A process whose full path cannot be read counts as not matching.
        char fileName[NameLength] = {};
        if (status.moduleFileName == nullptr ||
            status.moduleFileName(process.Get(), nullptr, fileName, NameLength) == 0)
            continue;
        if (ComparablePath(TextUpToZero(fileName, NameLength)) == wanted)
            return {std::move(process), ids[index]};
    }
    return {};
}

FoundProcess FindProcessToolHelp(const std::string& path)
{
    const std::string wanted = ComparablePath(path);
    // An empty text names no program; a process listed without a name (wine lists some) would
    // otherwise match it and be ended.
    if (wanted.empty())
        return {};
    const ToolHelpLibrary& toolHelp = ToolHelp();
    if (toolHelp.createSnapshot == nullptr || toolHelp.first == nullptr || toolHelp.next == nullptr)
        return {};
    const WinHandle snapshot(toolHelp.createSnapshot(SnapshotProcesses, 0));
    if (!snapshot)
        return {};
    ProcessEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.size = sizeof entry;
    for (BOOL more = toolHelp.first(snapshot.Get(), &entry); more;
         more = toolHelp.next(snapshot.Get(), &entry)) {
        if (ComparablePath(TextUpToZero(entry.exeFile, sizeof entry.exeFile)) != wanted)
            continue;
        FoundProcess found{WinHandle(OpenProcess(PROCESS_TERMINATE, TRUE, entry.processId)), 0};
        if (found)
            found.processId = entry.processId;
        return found;
    }
    return {};
}

FoundProcess FindProcessByPath(const std::string& path)
{
    return IsPlatformNT() ? FindProcessNT(path) : FindProcessToolHelp(path);
}

bool EndProcess(FoundProcess& process)
{
    if (!process)
        return false;
    const bool ended = TerminateProcess(process.handle.Get(), 0) != FALSE;
    process.handle.Close();
    process.processId = 0;
    return ended;
}

bool EndProcessById(unsigned long processId)
{
    FoundProcess process{WinHandle(OpenProcess(PROCESS_TERMINATE, FALSE, processId)), processId};
    return EndProcess(process);
}

} // namespace Update::Win32
