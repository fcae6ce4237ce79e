#include "update/InstallerSignature.h"

#include <QFile>

#include <sodium.h>

namespace Update {

// The public half of the release key (2026-12-09), printed by scripts/release-key.sh.
const PublicKey ReleaseKey = {
    0x33, 0xb9, 0x08, 0x6e, 0x1c, 0x75, 0x61, 0xe0, 0x2b, 0x50, 0x96, 0xf6, 0xeb, 0x04, 0x2e, 0x9a,
    0xb3, 0x6a, 0x18, 0xc7, 0x4d, 0xdb, 0xaa, 0x88, 0x27, 0xfa, 0xbb, 0x6d, 0x4c, 0xf7, 0x8a, 0x53,
};

static_assert(crypto_sign_PUBLICKEYBYTES == std::tuple_size_v<PublicKey>);
static_assert(crypto_sign_BYTES == SignatureBytes);

std::string SignatureName(std::string_view installerName)
{
    return std::string(installerName) + ".sig";
}

SignatureCheck CheckSignature(std::string_view content, std::string_view signature, const PublicKey& key)
{
    if (signature.empty())
        return SignatureCheck::Missing;
    if (signature.size() != SignatureBytes)
        return SignatureCheck::Malformed;
    // Without a working library nothing verifies.
    if (sodium_init() < 0)
        return SignatureCheck::Invalid;
    const int verified = crypto_sign_verify_detached(reinterpret_cast<const unsigned char*>(signature.data()),
                                                     reinterpret_cast<const unsigned char*>(content.data()),
                                                     content.size(), key.data());
    return verified == 0 ? SignatureCheck::Valid : SignatureCheck::Invalid;
}

SignatureCheck CheckFileSignature(const QString& path, std::string_view signature, const PublicKey& key)
{
    if (signature.empty())
        return SignatureCheck::Missing;
    if (signature.size() != SignatureBytes)
        return SignatureCheck::Malformed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SignatureCheck::Invalid;
    // Mapped rather than read: an installer may be large, and the signature covers it whole.
    const qint64 size = file.size();
    if (size == 0)
        return CheckSignature({}, signature, key);
    const uchar* mapped = file.map(0, size);
    if (!mapped) {
        const QByteArray bytes = file.readAll();
        if (bytes.size() != size)
            return SignatureCheck::Invalid;
        return CheckSignature(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                              signature, key);
    }
    const SignatureCheck check = CheckSignature(
        std::string_view(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(size)), signature,
        key);
    file.unmap(const_cast<uchar*>(mapped));
    return check;
}

} // namespace Update
