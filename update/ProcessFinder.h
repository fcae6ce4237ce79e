#pragma once
// Finding a running process by the full path of its executable, and ending it.

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <string_view>

namespace Update {

// A running process found by FindProcessByPath; the caller ends it with TerminateProcess.
struct ProcessHandle
{
    std::int64_t pid = 0;
    explicit operator bool() const { return pid > 0; }
};

// Whether the file system tells names apart by letter case. Windows does not, so there two
// spellings name one program; on Linux koerszicht_sched.exe and Koerszicht_Sched.exe are two
// programs, and ending the one for the other would end a stranger's process.
enum class PathCase
{
    Sensitive,
    Insensitive
};
#ifdef Q_OS_WIN
inline constexpr PathCase SystemPathCase = PathCase::Insensitive;
#else
inline constexpr PathCase SystemPathCase = PathCase::Sensitive;
#endif

// The form in which paths are compared: surrounding characters of code 32 and below
// removed, then, where letter case does not count, in capitals by the system's locale.
QString ProcessPathKey(std::string_view path, PathCase pathCase = SystemPathCase);
// The whole path matches, ignoring surrounding blanks, and letter case where it does not count.
bool SameProcessPath(std::string_view wanted, std::string_view candidate, PathCase pathCase = SystemPathCase);

// The first running process whose executable matches `path`; none when nothing does.
ProcessHandle FindProcessByPath(std::string_view path);
// Ends the process at once, as a forced termination does.
bool TerminateProcess(const ProcessHandle& process);

} // namespace Update
