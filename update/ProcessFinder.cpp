#include "update/ProcessFinder.h"

#include <QLocale>

#ifdef Q_OS_WIN
#include "support/Trace.h"
#include "update/ProcessFinder_win.h"

#include <system_error>
#endif

namespace Update {

QString ProcessPathKey(std::string_view path, PathCase pathCase)
{
    while (!path.empty() && static_cast<unsigned char>(path.front()) <= 32)
        path.remove_prefix(1);
    while (!path.empty() && static_cast<unsigned char>(path.back()) <= 32)
        path.remove_suffix(1);
    const QString text = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
    return pathCase == PathCase::Insensitive ? QLocale::system().toUpper(text) : text;
}

bool SameProcessPath(std::string_view wanted, std::string_view candidate, PathCase pathCase)
{
    return ProcessPathKey(wanted, pathCase) == ProcessPathKey(candidate, pathCase);
}

#ifdef Q_OS_WIN
// The platform's finder searches; its handle is closed at once and the process is opened
// again by its id to be ended, as the caller keeps ids only.
ProcessHandle FindProcessByPath(std::string_view path)
{
    try {
        const Win32::FoundProcess found = Win32::FindProcessByPath(std::string(path));
        return {static_cast<std::int64_t>(found.processId)};
    } catch (const std::system_error& error) {
        // The process list could not be read: there is nothing the caller could end.
        Support::WriteTrace(std::string("FindProcess: ") + error.what());
        return {};
    }
}

bool TerminateProcess(const ProcessHandle& process)
{
    return process && Win32::EndProcessById(static_cast<unsigned long>(process.pid));
}
#endif

} // namespace Update
