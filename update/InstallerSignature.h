#pragma once
// The detached Ed25519 signature of a downloaded installer. The update window offers an
// installer for starting only when its signature verifies against the release key built
// into the program; scripts/release-key.sh makes the key pair and signs an installer.

#include <QString>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Update {

using PublicKey = std::array<unsigned char, 32>;
// The release key's public half.
extern const PublicKey ReleaseKey;

// A signature is the 64 bytes of a detached Ed25519 signature, nothing around them.
inline constexpr std::size_t SignatureBytes = 64;
// A fetched signature file stops growing here: anything longer is not a signature.
inline constexpr std::size_t MaxSignatureFileBytes = 1024;

enum class SignatureCheck
{
    Valid,     // made with the release key over exactly these bytes
    Missing,   // no signature arrived
    Malformed, // not 64 bytes
    Invalid,   // 64 bytes that do not verify (another key, another file, or the file unreadable)
};

// The signature's name beside the installer on the maker site: "<installer name>.sig".
std::string SignatureName(std::string_view installerName);

SignatureCheck CheckSignature(std::string_view content, std::string_view signature, const PublicKey& key);
// The same for the bytes of a file; a file that cannot be read is Invalid.
SignatureCheck CheckFileSignature(const QString& path, std::string_view signature, const PublicKey& key);

} // namespace Update
