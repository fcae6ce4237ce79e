#include "update/ProcessFinder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <limits.h>
#include <memory>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace Update {

namespace {
struct CloseDirectory
{
    void operator()(DIR* directory) const { closedir(directory); }
};

// A process id when the directory entry's name is one, otherwise 0.
std::int64_t ProcessIdOf(const char* name)
{
    std::int64_t pid = 0;
    for (const char* c = name; *c; ++c) {
        if (*c < '0' || *c > '9' || pid > 100000000)
            return 0;
        pid = pid * 10 + (*c - '0');
    }
    return pid;
}

// The path of a process's executable; empty when it cannot be read (another user's
// process, a kernel thread, a process that has ended meanwhile).
std::string ExecutableOf(std::int64_t pid)
{
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    char target[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target)
        return {};
    return std::string(target, static_cast<std::size_t>(length));
}
} // namespace

ProcessHandle FindProcessByPath(std::string_view path)
{
    const QString wanted = ProcessPathKey(path);
    if (wanted.isEmpty())
        return {};
    const std::unique_ptr<DIR, CloseDirectory> processes(opendir("/proc"));
    if (!processes)
        return {};
    while (const dirent* entry = readdir(processes.get())) {
        const std::int64_t pid = ProcessIdOf(entry->d_name);
        if (pid <= 0)
            continue;
        const std::string executable = ExecutableOf(pid);
        // Letter case counts here, as it does for the file system.
        if (!executable.empty() && ProcessPathKey(executable) == wanted)
            return {pid};
    }
    return {};
}

bool TerminateProcess(const ProcessHandle& process)
{
    if (!process)
        return false;
    return kill(static_cast<pid_t>(process.pid), SIGKILL) == 0;
}

} // namespace Update
