// The installer's detached signature: what verifies and what does not, for bytes and files,
// and the release-key script's key pair and signature read back by the program.

#include "testsupport/SigningKey.h"
#include "update/InstallerSignature.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using Update::PublicKey;
using Update::SignatureCheck;

Q_DECLARE_METATYPE(SignatureCheck)

namespace {

using TestSupport::SigningKey;

std::string_view View(const QByteArray& bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QByteArray Flipped(QByteArray bytes, qsizetype at)
{
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    return bytes;
}

QString Script()
{
    return qEnvironmentVariable("KOERSZICHT_SOURCE_DIR") + QStringLiteral("/scripts/release-key.sh");
}

// Runs the release-key script; its standard output, or a null array when it failed.
QByteArray RunScript(const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("bash"), QStringList{Script()} + arguments);
    process.waitForFinished(30000);
    if (exitCode)
        *exitCode = process.exitCode();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput();
}

// The 32 bytes of the "0x.., " list the script prints.
PublicKey ParsePrintedKey(const QByteArray& printed)
{
    PublicKey key{};
    const QRegularExpression byte(QStringLiteral("0x([0-9a-f]{2})"));
    std::size_t at = 0;
    for (auto match = byte.globalMatch(QString::fromLatin1(printed)); match.hasNext() && at < key.size();)
        key[at++] = static_cast<unsigned char>(match.next().captured(1).toUInt(nullptr, 16));
    if (at != key.size())
        qWarning("the script printed %zu key bytes", at);
    return key;
}

} // namespace

class TestInstallerSignature : public QObject
{
    Q_OBJECT

private slots:
    void bytes_data()
    {
        const SigningKey release;
        const SigningKey other;
        const QByteArray installer = QByteArray("MZ installer ") + QByteArray(5000, 'x');
        const QByteArray good = release.Sign(installer);

        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("signature");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<SignatureCheck>("expected");
        const QByteArray releaseKey(reinterpret_cast<const char*>(release.publicKey.data()), 32);
        const QByteArray otherKey(reinterpret_cast<const char*>(other.publicKey.data()), 32);
        QTest::newRow("signed with the key") << installer << good << releaseKey << SignatureCheck::Valid;
        QTest::newRow("empty file signed")
            << QByteArray() << release.Sign({}) << releaseKey << SignatureCheck::Valid;
        QTest::newRow("no signature") << installer << QByteArray() << releaseKey << SignatureCheck::Missing;
        QTest::newRow("one byte short")
            << installer << good.left(63) << releaseKey << SignatureCheck::Malformed;
        QTest::newRow("one byte more") << installer << good + '\n' << releaseKey << SignatureCheck::Malformed;
        QTest::newRow("text instead of bytes")
            << installer << good.toHex() << releaseKey << SignatureCheck::Malformed;
        QTest::newRow("signed with another key")
            << installer << other.Sign(installer) << releaseKey << SignatureCheck::Invalid;
        QTest::newRow("checked against another key")
            << installer << good << otherKey << SignatureCheck::Invalid;
        QTest::newRow("one bit of the file changed")
            << Flipped(installer, 4000) << good << releaseKey << SignatureCheck::Invalid;
        QTest::newRow("one bit of the signature changed")
            << installer << Flipped(good, 10) << releaseKey << SignatureCheck::Invalid;
        QTest::newRow("file cut short")
            << installer.left(4999) << good << releaseKey << SignatureCheck::Invalid;
        QTest::newRow("zeros") << installer << QByteArray(64, '\0') << releaseKey << SignatureCheck::Invalid;
    }
    void bytes()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, signature);
        QFETCH(QByteArray, key);
        PublicKey publicKey{};
        std::copy_n(reinterpret_cast<const unsigned char*>(key.constData()), publicKey.size(),
                    publicKey.begin());
        QTEST(Update::CheckSignature(View(content), View(signature), publicKey), "expected");

        // The same bytes as a file.
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("Koerszicht101.exe"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();
        QTEST(Update::CheckFileSignature(path, View(signature), publicKey), "expected");
    }

    void unreadableFile()
    {
        const SigningKey release;
        const QByteArray signature = release.Sign({});
        QTemporaryDir folder;
        QCOMPARE(Update::CheckFileSignature(folder.filePath(QStringLiteral("absent.exe")), View(signature),
                                            release.publicKey),
                 SignatureCheck::Invalid);
        // A folder of that name is no file either.
        QCOMPARE(Update::CheckFileSignature(folder.path(), View(signature), release.publicKey),
                 SignatureCheck::Invalid);
    }

    void signatureName()
    {
        QCOMPARE(QByteArray::fromStdString(Update::SignatureName("Koerszicht101.exe")),
                 QByteArray("Koerszicht101.exe.sig"));
    }

    // The key pair and signature that the release script makes are the ones the program checks.
    void releaseScript()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty())
            QSKIP("openssl is not installed");
        QTemporaryDir folder;
        const QString key = folder.filePath(QStringLiteral("release.key"));
        const QByteArray printed = RunScript({QStringLiteral("new"), key});
        QVERIFY2(!printed.isNull(), "the script could not make a key");
        const PublicKey publicKey = ParsePrintedKey(printed);
        QCOMPARE(ParsePrintedKey(RunScript({QStringLiteral("public"), key})), publicKey);
        QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

        const QString installer = folder.filePath(QStringLiteral("Koerszicht101.exe"));
        QFile file(installer);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100000, 'k'));
        file.close();
        QVERIFY(!RunScript({QStringLiteral("sign"), key, installer}).isNull());
        QFile signatureFile(installer + QStringLiteral(".sig"));
        QVERIFY(signatureFile.open(QIODevice::ReadOnly));
        const QByteArray signature = signatureFile.readAll();
        QCOMPARE(Update::CheckFileSignature(installer, View(signature), publicKey), SignatureCheck::Valid);
        QCOMPARE(Update::CheckFileSignature(installer, View(signature), Update::ReleaseKey),
                 SignatureCheck::Invalid);

        // A key is never overwritten, and never made inside the repository.
        int exitCode = 0;
        QVERIFY(RunScript({QStringLiteral("new"), key}, &exitCode).isNull());
        QCOMPARE(exitCode, 1);
        QCOMPARE(ParsePrintedKey(RunScript({QStringLiteral("public"), key})), publicKey);
        const QString inside = qEnvironmentVariable("KOERSZICHT_SOURCE_DIR") + QStringLiteral("/release.key");
        QVERIFY(RunScript({QStringLiteral("new"), inside}, &exitCode).isNull());
        QCOMPARE(exitCode, 1);
        QVERIFY(!QFile::exists(inside));
    }
};

QTEST_GUILESS_MAIN(TestInstallerSignature)
#include "tst_installersignature.moc"
