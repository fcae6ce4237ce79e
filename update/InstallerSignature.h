#pragma once
// The signature file of an installer. The release key does not sign the installer's bytes
// alone but a short text that names the product, the version, the installer's file name, its
// size and its SHA-256: a signature made for one release then vouches neither for another
// file, nor for the same file under another name, nor for an older release offered as newer.
// The maker site serves it beside the installer as "<installer name>.sig":
//
//   product Koerszicht
//   version 1.01e
//   file Koerszicht101.exe
//   size 1536000
//   sha256 <64 small hexadecimal digits>
//   signature <128 small hexadecimal digits: the Ed25519 signature of the five lines above>
//
// Every line ends with a line feed, the keys stand in this order, one blank after each;
// nothing else is allowed. scripts/release-key.sh makes the key pair and writes the file.

#include <QCryptographicHash>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Update {

using PublicKey = std::array<unsigned char, 32>;
// The release key's public half.
extern const PublicKey ReleaseKey;

// The detached Ed25519 signature has 64 bytes.
inline constexpr std::size_t SignatureBytes = 64;
// A fetched signature file stops growing here: anything longer is not a signature file.
inline constexpr std::size_t MaxSignatureFileBytes = 1024;
// The product's name in a signature file has at most this many characters.
inline constexpr std::size_t MaxProductNameLength = 64;

enum class SignatureCheck
{
    Valid,        // made with the key, for this product, this file and a newer version
    Missing,      // no signature file arrived
    Malformed,    // not a signature file of the form above
    Invalid,      // the signature does not verify (another key, or the text was changed)
    OtherProduct, // signed for another product
    OtherFile,    // signed for another file name
    OtherContent, // the installer's size or SHA-256 differ from the signed ones
    NotNewer,     // signed for a version that is not newer than the running one
    Unreadable,   // the installer could not be read (gone, a link, not a plain file)
};

// What a signature file says of its installer.
struct ReleaseManifest
{
    std::string product;
    std::string version; // "1.01e": a digit, a point, two digits and a release letter (or none)
    std::string fileName;
    std::uint64_t size = 0;
    std::string sha256; // 64 small hexadecimal digits
};

// What the running program asks of an installer.
struct InstallerExpectation
{
    PublicKey key{};
    std::string product;        // the running program's name
    std::string runningVersion; // its version text, "versie 1.00d"
};

// The five lines the key signs.
std::string SignedLines(const ReleaseManifest& manifest);
// The whole signature file: the five lines and the signature line.
std::string SignatureFile(const ReleaseManifest& manifest, std::string_view signature);

struct ParsedSignatureFile
{
    ReleaseManifest manifest;
    std::string signedLines;
    std::string signature; // the 64 bytes
};
// The file read strictly; none when it is not exactly of the form above.
std::optional<ParsedSignatureFile> ParseSignatureFile(std::string_view file);

// The SHA-256 of bytes handed over piece by piece, and their count.
class InstallerDigest
{
public:
    void Add(std::string_view bytes);
    std::uint64_t Size() const { return m_size; }
    // Small hexadecimal digits; ends the digest.
    std::string Hex();

private:
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    std::uint64_t m_size = 0;
};

// The checks that need no byte of the installer, in this order: the form, the key, the
// product, the file name, the version. `manifest` receives what the file says when it verifies.
SignatureCheck CheckSignatureFile(std::string_view file, std::string_view fileName,
                                  const InstallerExpectation& expected, ReleaseManifest* manifest = nullptr);
// All checks for an installer of `size` bytes with SHA-256 `sha256`.
SignatureCheck CheckInstaller(std::string_view file, std::string_view fileName, std::uint64_t size,
                              std::string_view sha256, const InstallerExpectation& expected);
// The same for the installer's bytes.
SignatureCheck CheckInstallerBytes(std::string_view file, std::string_view fileName, std::string_view content,
                                   const InstallerExpectation& expected);

} // namespace Update
