// The data folder, the file copy with its time stamp, the first-run lookup and the lock on the
// data folder.
#include "support/Folders.h"
#include "support/InstanceLock.h"
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace Support;

namespace {
std::string S(const QString& text)
{
    return text.toStdString();
}
} // namespace

class TestFolders : public QObject
{
    Q_OBJECT
private slots:
    void init() { TestSupport::ResetUserFolders(); }

    // Made under $XDG_DATA_HOME, the current folder left as it was; without it, under the home folder.
    void dataFolder()
    {
        const QString expected = TestSupport::DataHome() + "/Koerszicht/";
        QVERIFY(!QFileInfo::exists(expected));
        const QString before = QDir::currentPath();
        QCOMPARE(QString::fromStdString(GetDataFolder("Koerszicht", true, "\\")), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QCOMPARE(QDir::currentPath(), before);

        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qunsetenv("XDG_DATA_HOME");
        const std::string folder = GetDataFolder("Koerszicht", true, "\\");
        qputenv("XDG_DATA_HOME", saved);
        QCOMPARE(QString::fromStdString(folder), QDir::homePath() + "/.local/share/Koerszicht/");
    }

    void forceFolderCreatesAndEnters()
    {
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        const QString path = dir.path() + "/a/b/c/";
        QVERIFY(ForceFolder(S(path)));
        QCOMPARE(QDir::currentPath() + "/", path);
        QDir::setCurrent(before);
    }

    void copyFileTo_data()
    {
        QTest::addColumn<bool>("sourceExists");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("failIfExists");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::newRow("first copy") << true << false << true << true << QByteArray("new");
        QTest::newRow("target present, fail if exists") << true << true << true << false << QByteArray("old");
        QTest::newRow("target present, overwrite") << true << true << false << true << QByteArray("new");
        QTest::newRow("no source") << false << false << true << false << QByteArray();
        QTest::newRow("no source, target kept") << false << true << false << false << QByteArray("old");
    }
    void copyFileTo()
    {
        QFETCH(bool, sourceExists);
        QFETCH(bool, targetExists);
        QFETCH(bool, failIfExists);
        QFETCH(bool, result);
        QFETCH(QByteArray, targetAfter);
        QTemporaryDir dir;
        const QString source = dir.path() + "/from/AEX.dat";
        const QString target = dir.path() + "/deep/to/AEX.dat";
        if (sourceExists)
            QVERIFY(TestSupport::WriteFile(source, "new"));
        if (targetExists)
            QVERIFY(TestSupport::WriteFile(target, "old"));
        QCOMPARE(CopyFileTo(S(source), S(target), failIfExists, {}), result);
        QVERIFY(QFileInfo(dir.path() + "/deep/to").isDir()); // the target's folder is made in every case
        QCOMPARE(TestSupport::ReadFile(target), targetAfter);
    }

    void copyKeepsTheTimeStamp()
    {
        QTemporaryDir dir;
        const QString source = dir.path() + "/AEX.dat";
        QVERIFY(TestSupport::WriteFile(source, "41067 - 312,45\r\n"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime stamp(QDate(2024, 5, 6), QTime(10, 20, 31));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
        file.close();
        const QString target = dir.path() + "/data/AEX.dat";
        // Daylight saving in effect at start-up changes nothing between files without drive letters.
        QVERIFY(CopyFileTo(S(source), S(target), true, {true, 1.0 / 24}));
        // No drive letters here: the time is kept, in the two-second steps of a file time.
        QCOMPARE(QFileInfo(target).lastModified(), QDateTime(QDate(2024, 5, 6), QTime(10, 20, 30)));
    }

    void shiftedTimeStamps()
    {
        const QDateTime source(QDate(2024, 7, 1), QTime(12, 0, 1));
        QCOMPARE(ShiftedTimeStamp(source, TimeStampShift::Keep, 1.0 / 24),
                 QDateTime(QDate(2024, 7, 1), QTime(12, 0)));
        QCOMPARE(ShiftedTimeStamp(source, TimeStampShift::SubtractBias, 1.0 / 24),
                 QDateTime(QDate(2024, 7, 1), QTime(11, 0)));
        QCOMPARE(ShiftedTimeStamp(source, TimeStampShift::AddBias, 1.0 / 24),
                 QDateTime(QDate(2024, 7, 1), QTime(13, 0)));
    }

    void driveTypesWithoutLetters()
    {
        QCOMPARE(GetDriveTypeName('C'), std::string());
        QCOMPARE(GetDriveTypeName('/'), std::string());
    }

    // The starter history: in the current folder, else beside the program, else where an
    // installation under a prefix keeps it.
    void starterHistoryLookupOrder()
    {
        QTemporaryDir current;
        QTemporaryDir program;
        const QString before = QDir::currentPath();
        QDir::setCurrent(current.path());
        const QString none = QString::fromStdString(FindStarterHistory(S(program.path())));
        QVERIFY(!none.startsWith(current.path()) && !none.startsWith(program.path()));

        QVERIFY(TestSupport::WriteFile(program.path() + "/AEX.dat", "beside the program"));
        QCOMPARE(QString::fromStdString(FindStarterHistory(S(program.path()))), program.path() + "/AEX.dat");

        QVERIFY(TestSupport::WriteFile(current.path() + "/AEX.dat", "in the current folder"));
        QCOMPARE(QString::fromStdString(FindStarterHistory(S(program.path()))),
                 QDir::currentPath() + "/AEX.dat");

        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.path() + "/bin"));
        QVERIFY(TestSupport::WriteFile(prefix.path() + "/share/koerszicht/AEX.dat", "installed"));
        QVERIFY(QFile::remove(current.path() + "/AEX.dat"));
        const QString found = QString::fromStdString(FindStarterHistory(S(prefix.path() + "/bin")));
        QDir::setCurrent(before);
        QCOMPARE(TestSupport::ReadFile(found), QByteArray("installed"));
    }

    // The lock on the data folder: held by this program or by an older version (which locks
    // with a lock file of Qt's), the folder is another program's; a lock file that no running
    // program holds (a crash) is taken over. While held, an older version sees it too, and the
    // file goes with the lock.
    void instanceLock_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<bool>("otherRunning");
        QTest::newRow("none") << "" << false;
        QTest::newRow("this program") << "program" << true;
        QTest::newRow("an older version") << "older" << true;
        QTest::newRow("a crashed program's file") << "file" << false;
    }
    void instanceLock()
    {
        QFETCH(QString, holder);
        QFETCH(bool, otherRunning);
        QTemporaryDir folder;
        const std::string dataFolder = S(folder.path()) + "/";
        const QString path = folder.path() + "/Koerszicht.lock";
        std::optional<InstanceLock> program;
        QLockFile older(path);
        if (holder == "program")
            program.emplace(dataFolder);
        else if (holder == "older")
            QVERIFY(older.tryLock(0));
        else if (holder == "file")
            QVERIFY(TestSupport::WriteFile(path, "999999\nkoerszicht\n"));
        {
            const InstanceLock lock(dataFolder);
            QCOMPARE(lock.OtherRunning(), otherRunning);
            QLockFile olderStart(path);
            olderStart.setStaleLockTime(0);
            QVERIFY(!olderStart.tryLock(0));
        }
        QCOMPARE(QFileInfo::exists(path), otherRunning);
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "tst_folders.moc"
