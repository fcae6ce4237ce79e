#include "update/InstallerFiles.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Update::Files {

namespace {

// Without its final separator: with one, the system follows a link in the folder's place.
std::string FolderPath(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The folder, opened only when it is a real folder: every file is then created, opened and
// removed relative to this descriptor, so a link put in the folder's place later is not followed.
class Folder
{
public:
    explicit Folder(const std::string& folder)
        : m_fd(folder.empty()
                   ? -1
                   : ::open(FolderPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC))
    {
    }
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    int Fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

FolderState InspectFolder(const std::string& folder)
{
    struct stat status
    {
    };
    if (folder.empty() || ::lstat(FolderPath(folder).c_str(), &status) != 0)
        return FolderState::Unusable;
    return S_ISDIR(status.st_mode) ? FolderState::Usable : FolderState::Refused;
}

FolderState PrepareFolder(const std::string& folder)
{
    struct stat status
    {
    };
    if (!folder.empty() && ::lstat(FolderPath(folder).c_str(), &status) != 0 && errno == ENOENT) {
        std::error_code ignored;
        std::filesystem::create_directories(FolderPath(folder), ignored);
    }
    return InspectFolder(folder);
}

std::int64_t File::Read(char* buffer, std::size_t size)
{
    for (;;) {
        const ssize_t read = ::read(static_cast<int>(m_native), buffer, size);
        if (read >= 0 || errno != EINTR)
            return read;
    }
}

bool File::Write(const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(static_cast<int>(m_native), bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool File::Close()
{
    if (m_native == NoNative)
        return true;
    const int fd = static_cast<int>(m_native);
    m_native = NoNative;
    return ::close(fd) == 0;
}

File CreateNew(const std::string& folder, const std::string& name, Kind kind)
{
    const Folder directory(folder);
    if (directory.Fd() < 0)
        return {};
    // A program is started from this file: only its owner may read, write or start it.
    const mode_t mode = kind == Kind::Program ? 0700 : 0600;
    return File(
        ::openat(directory.Fd(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
}

File OpenForReading(const std::string& folder, const std::string& name)
{
    const Folder directory(folder);
    if (directory.Fd() < 0)
        return {};
    // Not blocking: a pipe of that name must not hold the window up.
    const int fd = ::openat(directory.Fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    File file(fd);
    struct stat status
    {
    };
    if (!file || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return file;
}

bool Remove(const std::string& folder, const std::string& name)
{
    const Folder directory(folder);
    return directory.Fd() >= 0 && ::unlinkat(directory.Fd(), name.c_str(), 0) == 0;
}

} // namespace Update::Files
