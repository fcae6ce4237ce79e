#include "update/InstallerFiles.h"

#include "support/WinHandle_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

namespace Update::Files {

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Without its final separator, but "C:\" stays a root.
std::string FolderPath(std::string folder)
{
    while (folder.size() > 3 && IsSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    return folder.empty() || IsSeparator(folder.back()) ? folder + name : folder + '\\' + name;
}

HANDLE ToHandle(std::intptr_t native)
{
    return reinterpret_cast<HANDLE>(native);
}

std::intptr_t FromHandle(HANDLE handle)
{
    return handle == INVALID_HANDLE_VALUE ? File::NoNative : reinterpret_cast<std::intptr_t>(handle);
}

// A folder or a file as itself: no reparse point (link, junction, mount point).
bool IsPlain(HANDLE handle, bool folder)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(handle, &information))
        return false;
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return false;
    return ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folder;
}

// The folder, held open while a file in it is created, opened or removed. A reparse point is
// opened as itself and refused; without sharing for deletion, the folder cannot be renamed,
// removed or replaced by a junction while it is held.
class Folder
{
public:
    explicit Folder(const std::string& folder)
    {
        if (folder.empty())
            return;
        Support::Win32::WinHandle handle(CreateFileA(
            FolderPath(folder).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (handle && IsPlain(handle.Get(), true))
            m_handle = std::move(handle);
    }
    bool Usable() const { return static_cast<bool>(m_handle); }

private:
    Support::Win32::WinHandle m_handle;
};

// Every missing folder on the way; failures show in the inspection that follows.
void MakeFolders(const std::string& path)
{
    for (std::size_t at = 0; (at = path.find_first_of("\\/", at + 1)) != std::string::npos;)
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
}

} // namespace

FolderState InspectFolder(const std::string& folder)
{
    if (folder.empty())
        return FolderState::Unusable;
    const DWORD attributes = GetFileAttributesA(FolderPath(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FolderState::Unusable;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return FolderState::Refused;
    return FolderState::Usable;
}

FolderState PrepareFolder(const std::string& folder)
{
    if (!folder.empty() && GetFileAttributesA(FolderPath(folder).c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            MakeFolders(FolderPath(folder));
    }
    return InspectFolder(folder);
}

std::int64_t File::Read(char* buffer, std::size_t size)
{
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
    if (!ReadFile(ToHandle(m_native), buffer, wanted, &read, nullptr))
        return -1;
    return read;
}

bool File::Write(const char* bytes, std::size_t size)
{
    while (size > 0) {
        DWORD written = 0;
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
        if (!WriteFile(ToHandle(m_native), bytes, wanted, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

bool File::Close()
{
    if (m_native == NoNative)
        return true;
    const HANDLE handle = ToHandle(m_native);
    m_native = NoNative;
    return CloseHandle(handle) != 0;
}

File CreateNew(const std::string& folder, const std::string& name, Kind)
{
    const Folder directory(folder);
    if (!directory.Usable())
        return {};
    // CREATE_NEW fails on any name that exists, a link included, so no link is followed.
    return File(FromHandle(CreateFileA(InFolder(folder, name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)));
}

File OpenForReading(const std::string& folder, const std::string& name)
{
    const Folder directory(folder);
    if (!directory.Usable())
        return {};
    // Shared for reading only: while the file is open, nobody writes, renames or removes it.
    const HANDLE handle =
        CreateFileA(InFolder(folder, name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    File file(FromHandle(handle));
    if (!file || GetFileType(handle) != FILE_TYPE_DISK || !IsPlain(handle, false))
        return {};
    return file;
}

bool Remove(const std::string& folder, const std::string& name)
{
    const Folder directory(folder);
    // A symbolic link is removed itself.
    return directory.Usable() && DeleteFileA(InFolder(folder, name).c_str()) != 0;
}

} // namespace Update::Files
