#pragma once
// A key pair made for one test run, to sign installers as the release key would, and the
// installers the update tests sign with it. The release key's private half is nowhere near the
// tests.

#include "update/InstallerSignature.h"

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <string>

#include <sodium.h>

namespace TestSupport {

struct SigningKey
{
    Update::PublicKey publicKey{};
    std::array<unsigned char, crypto_sign_SECRETKEYBYTES> secretKey{};

    SigningKey()
    {
        if (sodium_init() < 0)
            qFatal("no libsodium");
        crypto_sign_keypair(publicKey.data(), secretKey.data());
    }
    // The 64-byte detached signature of `content`.
    QByteArray Sign(const QByteArray& content) const
    {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                             reinterpret_cast<const unsigned char*>(content.constData()),
                             static_cast<unsigned long long>(content.size()), secretKey.data());
        return signature;
    }
    // The signature file of an installer `name` with `content`, as the release script writes it.
    QByteArray SignatureFile(const std::string& name, const std::string& version, const QByteArray& content,
                             const std::string& product = "Koerszicht") const
    {
        Update::InstallerDigest digest;
        digest.Add({content.constData(), static_cast<std::size_t>(content.size())});
        const Update::ReleaseManifest manifest{product, version, name,
                                               static_cast<std::uint64_t>(content.size()), digest.Hex()};
        return QByteArray::fromStdString(Update::SignatureFile(
            manifest, Sign(QByteArray::fromStdString(Update::SignedLines(manifest))).toStdString()));
    }
};

// The key of this test run.
inline const SigningKey& RunKey()
{
    static const SigningKey key;
    return key;
}

// The signature file of `installer` as the maker site serves it for version 1.01e.
inline QByteArray SignatureOf(const QByteArray& installer, const std::string& name = "Koerszicht101.exe")
{
    return RunKey().SignatureFile(name, "1.01e", installer);
}

// An installer of `size` bytes, zero bytes included: the downloaded file keeps them.
inline QByteArray InstallerBody(int size)
{
    QByteArray body(size, '\0');
    for (int i = 0; i < size; ++i)
        body[i] = static_cast<char>(i * 7 % 251);
    return body;
}

} // namespace TestSupport
