// The installer read once, checked and started as checked: what is started holds the checked
// bytes whatever happens to the download folder afterwards, and nothing in the folder leads
// the program to a file elsewhere.

#include "testsupport/SigningKey.h"
#include "testsupport/TestSupport.h"
#include "update/VerifiedInstaller.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using Update::SignatureCheck;

Q_DECLARE_METATYPE(SignatureCheck)

namespace {

enum class Situation
{
    Plain,
    SwappedAfterTheCheck,
    LongerThanSigned,
    FolderIsALink,
    InstallerIsALink,
    InstallerIsAFolder,
    InstallerIsAPipe,
    InstallerAbsent,
};

const QByteArray Installer = QByteArray("#!/bin/sh\nexit 0\n") + QByteArray(70000, 'k');
const char* const Name = "Koerszicht101.exe";

QStringList Copies(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("run-*")}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

} // namespace

Q_DECLARE_METATYPE(Situation)

class TestVerifiedInstaller : public QObject
{
    Q_OBJECT

private slots:
    void verify_data()
    {
        QTest::addColumn<Situation>("situation");
        QTest::addColumn<SignatureCheck>("expected");
        QTest::newRow("signed installer") << Situation::Plain << SignatureCheck::Valid;
        QTest::newRow("another file renamed over it after the check")
            << Situation::SwappedAfterTheCheck << SignatureCheck::Valid;
        QTest::newRow("longer than signed") << Situation::LongerThanSigned << SignatureCheck::OtherContent;
        QTest::newRow("download folder is a link") << Situation::FolderIsALink << SignatureCheck::Unreadable;
        QTest::newRow("installer is a link to a signed file")
            << Situation::InstallerIsALink << SignatureCheck::Unreadable;
        QTest::newRow("installer is a folder") << Situation::InstallerIsAFolder << SignatureCheck::Unreadable;
        QTest::newRow("installer is a pipe") << Situation::InstallerIsAPipe << SignatureCheck::Unreadable;
        QTest::newRow("installer absent") << Situation::InstallerAbsent << SignatureCheck::Unreadable;
    }
    void verify()
    {
        QFETCH(Situation, situation);
        QFETCH(SignatureCheck, expected);
#ifdef Q_OS_WIN
        if (situation == Situation::FolderIsALink || situation == Situation::InstallerIsALink ||
            situation == Situation::InstallerIsAPipe)
            QSKIP("no symbolic links or named pipes for a user on Windows");
#endif
        const TestSupport::SigningKey key;
        QTemporaryDir root;
        const QString elsewhere = root.filePath(QStringLiteral("elsewhere/"));
        QString folder = root.filePath(QStringLiteral("Temp/"));
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QDir().mkpath(folder));
        // A signed installer lies elsewhere too: a link to it must not pass for the download.
        QVERIFY(TestSupport::WriteFile(elsewhere + Name, Installer));
        const QString installer = folder + Name;
        switch (situation) {
        case Situation::FolderIsALink:
            folder = root.filePath(QStringLiteral("Linked/"));
            QVERIFY(QFile::link(elsewhere.chopped(1), folder.chopped(1)));
            break;
        case Situation::InstallerIsALink:
            QVERIFY(QFile::link(elsewhere + Name, installer));
            break;
        case Situation::InstallerIsAFolder:
            QVERIFY(QDir().mkpath(installer));
            break;
        case Situation::InstallerIsAPipe:
#ifndef Q_OS_WIN
            QCOMPARE(::mkfifo(QFile::encodeName(installer).constData(), 0600), 0);
#endif
            break;
        case Situation::InstallerAbsent:
            break;
        default:
            QVERIFY(TestSupport::WriteFile(
                installer, Installer + (situation == Situation::LongerThanSigned ? "x" : "")));
        }

        const Update::InstallerExpectation expectation{key.publicKey, "Koerszicht", "versie 1.00d"};
        Update::VerifiedInstaller verified = Update::VerifyInstaller(
            QFile::encodeName(folder).toStdString(), Name,
            key.SignatureFile(Name, "1.01e", Installer).toStdString(), expectation, Update::StartFrom::Copy);
        QCOMPARE(verified.check, expected);
        QCOMPARE(TestSupport::ReadFile(elsewhere + Name), Installer);
        if (expected != SignatureCheck::Valid) {
            QVERIFY(verified.program.empty());
            QCOMPARE(Copies(folder), QStringList());
            return;
        }
        if (situation == Situation::SwappedAfterTheCheck) {
            QVERIFY(TestSupport::WriteFile(folder + "other", "#!/bin/sh\nrm -rf ~\n"));
            QVERIFY(QFile::remove(installer) && QFile::rename(folder + "other", installer));
        }
        const QString program = QFile::decodeName(QByteArray::fromStdString(verified.program));
        QCOMPARE(QFileInfo(program).absolutePath(), QFileInfo(installer).absolutePath());
        QVERIFY(program != installer);
        QCOMPARE(TestSupport::ReadFile(program), Installer);
#ifndef Q_OS_WIN
        QCOMPARE(QFile::permissions(program) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
        // A start that failed leaves no copy behind; every start has a copy of its own.
        Update::DiscardStart(verified);
        QCOMPARE(Copies(folder), QStringList());
        QVERIFY(Update::StartCopyName(Name) != Update::StartCopyName(Name));
    }
};

QTEST_GUILESS_MAIN(TestVerifiedInstaller)
#include "tst_verifiedinstaller.moc"
