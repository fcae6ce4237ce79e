#pragma once
// The files of the download folder, handled so that nothing in it leads the program
// elsewhere: the folder must be a real folder (a link or junction in its place is refused),
// a file is created only when it is new and never through a link, and a file is read only
// when it is a plain file, not a link. Plain functions without Qt; each platform has its own
// file (InstallerFiles_unix.cpp, InstallerFiles_win.cpp).

#include <cstddef>
#include <cstdint>
#include <string>

namespace Update::Files {

enum class FolderState
{
    Usable,   // a real folder
    Refused,  // a link, a junction, or something else than a folder in the folder's place
    Unusable, // it cannot be made or looked at
};

// The folder as it is now; a missing folder is Unusable.
FolderState InspectFolder(const std::string& folder);
// The folder, made with its missing parents first when it is missing.
FolderState PrepareFolder(const std::string& folder);

// An open file; closed when the object goes. On Windows a file opened for reading keeps
// others from writing, renaming or removing it while it is open.
class File
{
public:
    File() = default;
    explicit File(std::intptr_t native) : m_native(native) {}
    ~File() { Close(); }
    File(File&& other) noexcept : m_native(other.m_native) { other.m_native = NoNative; }
    File& operator=(File&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_native = other.m_native;
            other.m_native = NoNative;
        }
        return *this;
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    explicit operator bool() const { return m_native != NoNative; }
    // The bytes read, 0 at the end, -1 on an error.
    std::int64_t Read(char* buffer, std::size_t size);
    bool Write(const char* bytes, std::size_t size);
    // False when the system reports a failure (on Linux a write may fail only here).
    bool Close();

    static constexpr std::intptr_t NoNative = -1;

private:
    std::intptr_t m_native = NoNative; // a descriptor, or a Windows handle
};

// What a created file is for: data, or a program that will be started.
enum class Kind
{
    Data,
    Program,
};

// Creates `name` in `folder` for writing, only when nothing of that name is there (a link
// of that name counts) and only when the folder is Usable. Empty on failure.
File CreateNew(const std::string& folder, const std::string& name, Kind kind);
// Opens `name` in a Usable `folder` for reading when it is a plain file, not a link, a
// folder, a device or a pipe. Empty otherwise.
File OpenForReading(const std::string& folder, const std::string& name);
// Removes `name` from a Usable `folder`; a link is removed itself, never what it points to.
bool Remove(const std::string& folder, const std::string& name);

} // namespace Update::Files
