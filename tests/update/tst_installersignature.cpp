// The installer's signature file: what verifies and what does not, and the release-key
// script's key pair and signature file read back by the program.

#include "testsupport/SigningKey.h"
#include "testsupport/TestSupport.h"
#include "update/InstallerSignature.h"

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

// Runs the release-key script; its standard output, or a null array when it failed.
QByteArray RunScript(const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    const QString script =
        qEnvironmentVariable("KOERSZICHT_SOURCE_DIR") + QStringLiteral("/scripts/release-key.sh");
    process.start(QStringLiteral("bash"), QStringList{script} + arguments);
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
    void signatureFile_data()
    {
        const SigningKey release;
        const SigningKey other;
        const QByteArray installer = QByteArray("MZ installer ") + QByteArray(5000, 'x');
        const std::string name = "Koerszicht101.exe";
        const QByteArray good = release.SignatureFile(name, "1.01e", installer);
        const auto changed = [&](const char* from, const char* to) {
            return QByteArray(good).replace(from, to);
        };

        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<SignatureCheck>("expected");
        const QByteArray ours = QByteArray::fromStdString(name);
        QTest::newRow("signed for this installer") << good << installer << ours << SignatureCheck::Valid;
        QTest::newRow("empty installer signed")
            << release.SignatureFile(name, "1.01", {}) << QByteArray() << ours << SignatureCheck::Valid;
        QTest::newRow("no signature file") << QByteArray() << installer << ours << SignatureCheck::Missing;
        QTest::newRow("signed with another key")
            << other.SignatureFile(name, "1.01e", installer) << installer << ours << SignatureCheck::Invalid;
        QTest::newRow("a signed line changed")
            << changed("1.01e", "1.02e") << installer << ours << SignatureCheck::Invalid;
        QTest::newRow("one digit of the signature changed")
            << QByteArray(good).replace(good.size() - 3, 1, good.at(good.size() - 3) == '0' ? "1" : "0")
            << installer << ours << SignatureCheck::Invalid;
        QTest::newRow("another product") << release.SignatureFile(name, "1.01e", installer, "Beursklok")
                                         << installer << ours << SignatureCheck::OtherProduct;
        // An old installer and its signature put up under the name of a newer one.
        QTest::newRow("signed for another name")
            << release.SignatureFile("Koerszicht100.exe", "1.00c", installer) << installer
            << QByteArray("Koerszicht102.exe") << SignatureCheck::OtherFile;
        QTest::newRow("the running version") << release.SignatureFile(name, "1.00d", installer) << installer
                                             << ours << SignatureCheck::NotNewer;
        QTest::newRow("an older version") << release.SignatureFile(name, "0.99z", installer) << installer
                                          << ours << SignatureCheck::NotNewer;
        QTest::newRow("one byte more than signed")
            << good << installer + 'x' << ours << SignatureCheck::OtherContent;
        QTest::newRow("one bit of the installer changed")
            << good << Flipped(installer, 4000) << ours << SignatureCheck::OtherContent;
        QTest::newRow("cut after the digest")
            << good.left(good.indexOf("signature")) << installer << ours << SignatureCheck::Malformed;
        QTest::newRow("no final line feed")
            << good.chopped(1) << installer << ours << SignatureCheck::Malformed;
        QTest::newRow("a line after the signature") << good + "x\n"
                                                    << installer << ours << SignatureCheck::Malformed;
        QTest::newRow("carriage returns")
            << QByteArray(good).replace("\n", "\r\n") << installer << ours << SignatureCheck::Malformed;
        QTest::newRow("keys in another order")
            << changed("product Koerszicht\nversion 1.01e", "version 1.01e\nproduct Koerszicht") << installer
            << ours << SignatureCheck::Malformed;
        QTest::newRow("version without its point")
            << changed("1.01e", "101e") << installer << ours << SignatureCheck::Malformed;
        QTest::newRow("a path for a name")
            << release.SignatureFile("../Koerszicht101.exe", "1.01e", installer) << installer
            << QByteArray("../Koerszicht101.exe") << SignatureCheck::Malformed;
        const std::string longName = std::string(900, 'k') + "101.exe";
        QTest::newRow("longer than a signature file may be")
            << release.SignatureFile(longName, "1.01e", installer) << installer
            << QByteArray::fromStdString(longName) << SignatureCheck::Malformed;
        QTest::newRow("the bare signature of the installer")
            << release.Sign(installer) << installer << ours << SignatureCheck::Malformed;

        m_key = release.publicKey;
    }
    void signatureFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, name);
        const Update::InstallerExpectation expected{m_key, "Koerszicht", "versie 1.00d"};
        QTEST(Update::CheckInstallerBytes(View(file), View(name), View(content), expected), "expected");
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
        const QByteArray content = QByteArray(100000, 'k') + QByteArray("\0\n\r", 3);
        QVERIFY(TestSupport::WriteFile(installer, content));
        QVERIFY(!RunScript({QStringLiteral("sign"), key, QStringLiteral("Koerszicht"),
                            QStringLiteral("1.01e"), installer})
                     .isNull());
        const QByteArray signature = TestSupport::ReadFile(installer + QStringLiteral(".sig"));
        const Update::InstallerExpectation expected{publicKey, "Koerszicht", "versie 1.00d"};
        QCOMPARE(Update::CheckInstallerBytes(View(signature), "Koerszicht101.exe", View(content), expected),
                 SignatureCheck::Valid);
        QCOMPARE(Update::CheckInstallerBytes(View(signature), "Koerszicht101.exe", View(content),
                                             {Update::ReleaseKey, "Koerszicht", "versie 1.00d"}),
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

private:
    PublicKey m_key{};
};

QTEST_GUILESS_MAIN(TestInstallerSignature)
#include "tst_installersignature.moc"
