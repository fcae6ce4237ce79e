// The download folder's files: a folder that is a link is refused, a file is created only
// when it is new and never through a link, and a link is removed itself.

#include "testsupport/TestSupport.h"
#include "update/InstallerFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Update::Files::FolderState)

namespace {
const char* const Name = "Koerszicht101.exe";
} // namespace

class TestInstallerFiles : public QObject
{
    Q_OBJECT

private slots:
    void createNew_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<bool>("created");
        QTest::newRow("name free") << QString() << true;
        QTest::newRow("a file of that name") << QStringLiteral("file") << false;
        QTest::newRow("a link of that name") << QStringLiteral("link") << false;
        // Created through the link, the file would appear where the link points.
        QTest::newRow("a dangling link of that name") << QStringLiteral("dangling") << false;
    }
    void createNew()
    {
        QFETCH(QString, existing);
        QFETCH(bool, created);
#ifdef Q_OS_WIN
        if (existing != "file" && !existing.isEmpty())
            QSKIP("no symbolic links for a user on Windows");
#endif
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("Temp/"));
        const QString target = root.filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(folder));
        if (existing == "file")
            QVERIFY(TestSupport::WriteFile(folder + Name, "earlier"));
        if (existing == "link" || existing == "dangling")
            QVERIFY(QFile::link(target, folder + Name));
        if (existing == "link")
            QVERIFY(TestSupport::WriteFile(target, "someone's file"));

        const std::string place = QFile::encodeName(folder).toStdString();
        Update::Files::File file = Update::Files::CreateNew(place, Name, Update::Files::Kind::Data);
        QCOMPARE(static_cast<bool>(file), created);
        if (file)
            QVERIFY(file.Write("new", 3) && file.Close());
        if (created || existing == "file")
            QCOMPARE(TestSupport::ReadFile(folder + Name), QByteArray(created ? "new" : "earlier"));
        QCOMPARE(QFile::exists(target), existing == "link");
        if (existing == "link") {
            QCOMPARE(TestSupport::ReadFile(target), QByteArray("someone's file"));
            // Removed, the link goes; what it points to stays.
            QVERIFY(Update::Files::Remove(place, Name));
            QVERIFY(!QFileInfo(folder + Name).isSymLink());
            QCOMPARE(TestSupport::ReadFile(target), QByteArray("someone's file"));
        }
    }

    void folderState_data()
    {
        QTest::addColumn<QString>("inPlace");
        QTest::addColumn<Update::Files::FolderState>("expected");
        QTest::newRow("missing: made") << QString() << Update::Files::FolderState::Usable;
        QTest::newRow("a link to a folder") << QStringLiteral("link") << Update::Files::FolderState::Refused;
        QTest::newRow("a file") << QStringLiteral("file") << Update::Files::FolderState::Refused;
    }
    void folderState()
    {
        QFETCH(QString, inPlace);
#ifdef Q_OS_WIN
        if (inPlace == "link")
            QSKIP("no symbolic links for a user on Windows");
#endif
        QTemporaryDir root;
        const QString folder = root.filePath(QStringLiteral("data/Temp/"));
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("data"))));
        if (inPlace == "link")
            QVERIFY(QFile::link(root.path(), folder.chopped(1)));
        if (inPlace == "file")
            QVERIFY(TestSupport::WriteFile(folder.chopped(1), "in the way"));
        QTEST(Update::Files::PrepareFolder(QFile::encodeName(folder).toStdString()), "expected");
        // Nothing is created in the link's place or where it points.
        QCOMPARE(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"data"});
    }
};

QTEST_GUILESS_MAIN(TestInstallerFiles)
#include "tst_installerfiles.moc"
