#include "update/InstallerSignature.h"

#include "update/SodiumFunctions.h"
#include "update/VersionList.h"

#include <algorithm>
#include <charconv>

namespace Update {

// The public half of the release key (2026-12-09), printed by scripts/release-key.sh.
const PublicKey ReleaseKey = {
    0x33, 0xb9, 0x08, 0x6e, 0x1c, 0x75, 0x61, 0xe0, 0x2b, 0x50, 0x96, 0xf6, 0xeb, 0x04, 0x2e, 0x9a,
    0xb3, 0x6a, 0x18, 0xc7, 0x4d, 0xdb, 0xaa, 0x88, 0x27, 0xfa, 0xbb, 0x6d, 0x4c, 0xf7, 0x8a, 0x53,
};

static_assert(crypto_sign_PUBLICKEYBYTES == std::tuple_size_v<PublicKey>);
static_assert(crypto_sign_BYTES == SignatureBytes);

namespace {

constexpr std::size_t Sha256Digits = 64;
constexpr const char* Keys[] = {"product", "version", "file", "size", "sha256", "signature"};
constexpr std::size_t LineCount = std::size(Keys);

std::string Hex(const unsigned char* bytes, std::size_t count)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        hex += Digits[bytes[i] >> 4];
        hex += Digits[bytes[i] & 0x0f];
    }
    return hex;
}

// Small hexadecimal digits only: one spelling per value, so the signed text has one form.
bool IsSmallHex(std::string_view text, std::size_t digits)
{
    return text.size() == digits && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string FromHex(std::string_view hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        bytes += static_cast<char>(digit(hex[i]) * 16 + digit(hex[i + 1]));
    }
    return bytes;
}

// A text value: not empty, no control characters, no blank at either end.
bool IsTextValue(std::string_view value)
{
    if (value.empty() || value.front() == ' ' || value.back() == ' ')
        return false;
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code < 32 || code == 127;
    });
}

// "1.01e" or "1.01".
bool IsVersion(std::string_view version)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    return (version.size() == 4 || version.size() == 5) && digit(version[0]) && version[1] == '.' &&
           digit(version[2]) && digit(version[3]) &&
           (version.size() == 4 || (version[4] >= 'a' && version[4] <= 'z'));
}

// Decimal digits without a leading zero (but "0"), within 64 bits.
bool ParseSize(std::string_view text, std::uint64_t& size)
{
    if (text.empty() || (text.size() > 1 && text.front() == '0') ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string SignedLines(const ReleaseManifest& manifest)
{
    return std::string("product ") + manifest.product + "\nversion " + manifest.version + "\nfile " +
           manifest.fileName + "\nsize " + std::to_string(manifest.size) + "\nsha256 " + manifest.sha256 +
           "\n";
}

std::string SignatureFile(const ReleaseManifest& manifest, std::string_view signature)
{
    return SignedLines(manifest) + "signature " +
           Hex(reinterpret_cast<const unsigned char*>(signature.data()), signature.size()) + "\n";
}

std::optional<ParsedSignatureFile> ParseSignatureFile(std::string_view file)
{
    if (file.size() > MaxSignatureFileBytes)
        return std::nullopt;
    std::string_view values[LineCount];
    std::size_t at = 0;
    std::size_t signedEnd = 0;
    for (std::size_t line = 0; line < LineCount; ++line) {
        const std::size_t end = file.find('\n', at);
        if (end == std::string_view::npos)
            return std::nullopt;
        const std::string_view text = file.substr(at, end - at);
        const std::string_view key = Keys[line];
        if (text.size() <= key.size() || text.substr(0, key.size()) != key || text[key.size()] != ' ')
            return std::nullopt;
        values[line] = text.substr(key.size() + 1);
        at = end + 1;
        if (line + 2 == LineCount)
            signedEnd = at;
    }
    if (at != file.size())
        return std::nullopt;

    ParsedSignatureFile parsed;
    ReleaseManifest& manifest = parsed.manifest;
    manifest.product = values[0];
    manifest.version = values[1];
    manifest.fileName = values[2];
    manifest.sha256 = values[4];
    if (!IsTextValue(manifest.product) || manifest.product.size() > MaxProductNameLength ||
        !IsVersion(manifest.version) || !IsSafeFileName(manifest.fileName) ||
        !ParseSize(values[3], manifest.size) || !IsSmallHex(manifest.sha256, Sha256Digits) ||
        !IsSmallHex(values[5], SignatureBytes * 2))
        return std::nullopt;
    parsed.signedLines = file.substr(0, signedEnd);
    parsed.signature = FromHex(values[5]);
    return parsed;
}

void InstallerDigest::Add(std::string_view bytes)
{
    m_hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    m_size += bytes.size();
}

std::string InstallerDigest::Hex()
{
    return m_hash.result().toHex().toStdString();
}

SignatureCheck CheckSignatureFile(std::string_view file, std::string_view fileName,
                                  const InstallerExpectation& expected, ReleaseManifest* manifest)
{
    if (file.empty())
        return SignatureCheck::Missing;
    const std::optional<ParsedSignatureFile> parsed = ParseSignatureFile(file);
    if (!parsed)
        return SignatureCheck::Malformed;
    // Without a working library nothing verifies.
    const SodiumFunctions* sodium = Sodium();
    if (!sodium ||
        sodium->signVerifyDetached(reinterpret_cast<const unsigned char*>(parsed->signature.data()),
                                   reinterpret_cast<const unsigned char*>(parsed->signedLines.data()),
                                   parsed->signedLines.size(), expected.key.data()) != 0)
        return SignatureCheck::Invalid;
    const ReleaseManifest& signedFor = parsed->manifest;
    if (signedFor.product != expected.product)
        return SignatureCheck::OtherProduct;
    if (signedFor.fileName != fileName)
        return SignatureCheck::OtherFile;
    const std::string digits = signedFor.version.substr(0, 1) + signedFor.version.substr(2, 2);
    const char letter = signedFor.version.size() == 5 ? signedFor.version[4] : '\0';
    if (!IsNewer(digits, letter, CurrentDigits(expected.runningVersion),
                 CurrentLetter(expected.runningVersion)))
        return SignatureCheck::NotNewer;
    if (manifest)
        *manifest = signedFor;
    return SignatureCheck::Valid;
}

SignatureCheck CheckInstaller(std::string_view file, std::string_view fileName, std::uint64_t size,
                              std::string_view sha256, const InstallerExpectation& expected)
{
    ReleaseManifest manifest;
    const SignatureCheck check = CheckSignatureFile(file, fileName, expected, &manifest);
    if (check != SignatureCheck::Valid)
        return check;
    return manifest.size == size && manifest.sha256 == sha256 ? SignatureCheck::Valid
                                                              : SignatureCheck::OtherContent;
}

SignatureCheck CheckInstallerBytes(std::string_view file, std::string_view fileName, std::string_view content,
                                   const InstallerExpectation& expected)
{
    InstallerDigest digest;
    digest.Add(content);
    return CheckInstaller(file, fileName, content.size(), digest.Hex(), expected);
}

} // namespace Update
