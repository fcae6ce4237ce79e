#pragma once
// The installer in the download folder, read once through one open file and checked against
// its signature file; what is started is exactly what was checked. On Linux that is a new
// copy, written from the checked bytes into a file made for it alone (mode 0700, a name not
// used before); on Windows it is the installer itself, held open with writes, renames and
// removal denied until the program has been started.

#include "update/InstallerFiles.h"
#include "update/InstallerSignature.h"

#include <string>
#include <string_view>

namespace Update {

struct VerifiedInstaller
{
    SignatureCheck check = SignatureCheck::Unreadable;
    std::string program;  // what to start, when Valid
    std::string folder;   // the download folder
    std::string copyName; // the copy, when one was made
    Files::File held;     // the installer, held open until the start (Windows)
};

// Whether a start goes through a copy of the checked bytes.
enum class StartFrom
{
    Installer,
    Copy,
};
#ifdef _WIN32
inline constexpr StartFrom PlatformStart = StartFrom::Installer;
#else
inline constexpr StartFrom PlatformStart = StartFrom::Copy;
#endif

// The name of a start copy of `installerName`: new for every start.
std::string StartCopyName(std::string_view installerName);

// Reads `folder` + `name` once and checks it against `signatureFile`. The installer is never
// read through a link, nor in a folder that is a link. With StartFrom::Copy the checked bytes
// go into a new copy, which is removed again unless the check passes.
VerifiedInstaller VerifyInstaller(const std::string& folder, const std::string& name,
                                  std::string_view signatureFile, const InstallerExpectation& expected,
                                  StartFrom from = PlatformStart);
// After a start that failed: the copy is removed and the installer let go.
void DiscardStart(VerifiedInstaller& installer);

} // namespace Update
