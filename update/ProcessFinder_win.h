#pragma once
// Finding a running process by the full path of its executable on Windows, so that it can
// be ended. Plain functions without Qt and without <windows.h>: the process finder's
// common code calls them, and a console test program checks them.

#include "support/WinHandle_win.h"

#include <string>

namespace Update::Win32 {

using Support::Win32::WinHandle;

// The system says it belongs to the NT line (platform id 2).
bool IsPlatformNT();

// A path as it is compared: characters of code 32 and below trimmed from both ends, '/' read as
// the backslash the system writes (a path made by Qt has the former, a process's file the latter),
// then capitals by the system's locale.
std::string ComparablePath(const std::string& path);

// A process found by its path: an open handle the caller owns, and the process's id.
struct FoundProcess
{
    WinHandle handle;
    unsigned long processId = 0;
    explicit operator bool() const { return static_cast<bool>(handle); }
};

// The process-status route: the first of at most 1001 listed processes whose main module's
// full path matches, opened with the rights to terminate, read and query; empty when none
// matches. Throws std::system_error with the system's last error when the processes cannot
// be listed (the process-status library or its entry missing, or the listing failing).
FoundProcess FindProcessNT(const std::string& path);

// The tool-help route: the first process of a snapshot whose executable field matches,
// opened with the right to terminate (inheritable); empty when none matches or the
// snapshot is unavailable.
FoundProcess FindProcessToolHelp(const std::string& path);

// FindProcessNT on the NT line, FindProcessToolHelp elsewhere.
FoundProcess FindProcessByPath(const std::string& path);

// Ends the process with exit code 0 and closes its handle. True when the system accepted
// the termination.
bool EndProcess(FoundProcess& process);
// The same for a process known by its id only.
bool EndProcessById(unsigned long processId);

} // namespace Update::Win32
