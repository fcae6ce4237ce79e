#pragma once
// Finding a running process by the full path of its executable, and ending it.

#include <QString>
#include <cstdint>
#include <string_view>

namespace Update {

// A running process found by FindProcessByPath; the caller ends it with TerminateProcess.
struct ProcessHandle
{
    std::int64_t pid = 0;
    explicit operator bool() const { return pid > 0; }
};

// The form in which paths are compared: surrounding characters of code 32 and below
// removed, then in capitals by the system's locale.
QString ProcessPathKey(std::string_view path);
// The whole path matches, ignoring letter case and surrounding blanks.
bool SameProcessPath(std::string_view wanted, std::string_view candidate);

// The first running process whose executable matches `path`; none when nothing does.
ProcessHandle FindProcessByPath(std::string_view path);
// Ends the process at once, as a forced termination does.
bool TerminateProcess(const ProcessHandle& process);

} // namespace Update
