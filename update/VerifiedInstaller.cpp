#include "update/VerifiedInstaller.h"

#include <QRandomGenerator>
#include <array>

namespace Update {

namespace {
constexpr std::size_t ReadBytes = 64 * 1024;
constexpr int CopyAttempts = 8;
} // namespace

std::string StartCopyName(std::string_view installerName)
{
    const quint64 random = QRandomGenerator::system()->generate64();
    return "run-" + QByteArray::number(random, 16).rightJustified(16, '0').toStdString() + "-" +
           std::string(installerName);
}

VerifiedInstaller VerifyInstaller(const std::string& folder, const std::string& name,
                                  std::string_view signatureFile, const InstallerExpectation& expected,
                                  StartFrom from)
{
    VerifiedInstaller installer;
    installer.folder = folder;
    // The signature file first: it bounds what is read of the installer.
    ReleaseManifest manifest;
    installer.check = CheckSignatureFile(signatureFile, name, expected, &manifest);
    if (installer.check != SignatureCheck::Valid)
        return installer;
    installer.check = SignatureCheck::Unreadable;
    Files::File source = Files::OpenForReading(folder, name);
    if (!source)
        return installer;
    Files::File copy;
    for (int attempt = 0; from == StartFrom::Copy && !copy && attempt < CopyAttempts; ++attempt) {
        installer.copyName = StartCopyName(name);
        copy = Files::CreateNew(folder, installer.copyName, Files::Kind::Program);
    }
    if (from == StartFrom::Copy && !copy) {
        installer.copyName.clear();
        return installer;
    }

    InstallerDigest digest;
    std::string buffer(ReadBytes, '\0');
    bool whole = false;
    while (digest.Size() <= manifest.size) {
        const std::int64_t read = source.Read(buffer.data(), buffer.size());
        if (read <= 0) {
            whole = read == 0;
            break;
        }
        const std::string_view bytes(buffer.data(), static_cast<std::size_t>(read));
        digest.Add(bytes);
        if (copy && !copy.Write(bytes.data(), bytes.size()))
            break;
    }
    if (copy && !copy.Close())
        whole = false;
    if (whole)
        installer.check = digest.Size() == manifest.size && digest.Hex() == manifest.sha256
                              ? SignatureCheck::Valid
                              : SignatureCheck::OtherContent;
    else if (digest.Size() > manifest.size)
        installer.check = SignatureCheck::OtherContent;
    if (installer.check != SignatureCheck::Valid) {
        DiscardStart(installer);
        return installer;
    }
    if (from == StartFrom::Copy) {
        installer.program = folder + installer.copyName;
    } else {
        installer.program = folder + name;
        installer.held = std::move(source);
    }
    return installer;
}

void DiscardStart(VerifiedInstaller& installer)
{
    if (!installer.copyName.empty())
        Files::Remove(installer.folder, installer.copyName);
    installer.copyName.clear();
    installer.program.clear();
    installer.held.Close();
}

} // namespace Update
