// Clearing the download folder at start: what goes, and what stays because it is not the
// program's to remove.

#include "testsupport/TestSupport.h"
#include "update/DownloadLeftovers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace {
// Makes one entry under `root`: "f:path" a file, "d:path" a folder, "l:path>target" a link to
// root/target, "p:path" a named pipe.
bool Make(const QString& root, const QString& entry)
{
    const QString kind = entry.left(2);
    QString path = entry.mid(2);
    QString target;
    if (const qsizetype arrow = path.indexOf(QLatin1Char('>')); arrow >= 0) {
        target = root + QLatin1Char('/') + path.mid(arrow + 1);
        path = path.left(arrow);
    }
    const QString full = root + QLatin1Char('/') + path;
    QDir().mkpath(QFileInfo(full).absolutePath());
    if (kind == QLatin1String("f:"))
        return TestSupport::WriteFile(full, "contents of " + path.toUtf8());
    if (kind == QLatin1String("d:"))
        return QDir().mkpath(full);
#ifndef Q_OS_WIN
    if (kind == QLatin1String("l:"))
        return QFile::link(target, full);
    if (kind == QLatin1String("p:"))
        return ::mkfifo(QFile::encodeName(full).constData(), 0600) == 0;
#endif
    return false;
}

bool Exists(const QString& path)
{
    // A link counts as there even when its target is not.
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}
} // namespace

class TestDownloadLeftovers : public QObject
{
    Q_OBJECT

private slots:
    void removeLeftovers_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("gone");
        QTest::addColumn<QStringList>("kept");

        // The data folder is data/, its download folder data/Temp; outside/ belongs to no one here.
        QTest::newRow("started installer")
            << QStringList{"f:data/Temp/Koerszicht101.exe", "f:data/AEX.dat"}
            << QStringList{"data/Temp/Koerszicht101.exe"} << QStringList{"data/Temp", "data/AEX.dat"};
        QTest::newRow("installer with its signature beside it")
            << QStringList{"f:data/Temp/Koerszicht101.exe", "f:data/Temp/Koerszicht101.exe.sig"}
            << QStringList{"data/Temp/Koerszicht101.exe", "data/Temp/Koerszicht101.exe.sig"} << QStringList{};
        QTest::newRow("any name: a cut-off download, a hidden file, a name with blanks")
            << QStringList{"f:data/Temp/Koerszicht 102#b.exe", "f:data/Temp/.partial",
                           "f:data/Temp/notes.txt"}
            << QStringList{"data/Temp/Koerszicht 102#b.exe", "data/Temp/.partial", "data/Temp/notes.txt"}
            << QStringList{"data/Temp"};
        QTest::newRow("sub-folder stays with what it holds")
            << QStringList{"f:data/Temp/old.exe", "f:data/Temp/sub/inner.exe", "d:data/Temp/empty"}
            << QStringList{"data/Temp/old.exe"}
            << QStringList{"data/Temp/sub", "data/Temp/sub/inner.exe", "data/Temp/empty"};
        QTest::newRow("link to a file outside: link and target stay")
            << QStringList{"f:outside/target.exe", "l:data/Temp/Koerszicht101.exe>outside/target.exe"}
            << QStringList{} << QStringList{"outside/target.exe", "data/Temp/Koerszicht101.exe"};
        QTest::newRow("link to a folder outside: its files stay")
            << QStringList{"f:outside/target.exe", "l:data/Temp/elsewhere>outside"} << QStringList{}
            << QStringList{"outside/target.exe", "data/Temp/elsewhere"};
        QTest::newRow("dangling link stays") << QStringList{"l:data/Temp/gone.exe>outside/never.exe"}
                                             << QStringList{} << QStringList{"data/Temp/gone.exe"};
        QTest::newRow("download folder is a link to a folder outside")
            << QStringList{"f:outside/target.exe", "f:outside/other.sig", "l:data/Temp>outside"}
            << QStringList{} << QStringList{"outside/target.exe", "outside/other.sig", "data/Temp"};
        QTest::newRow("named pipe stays") << QStringList{"p:data/Temp/pipe", "f:data/Temp/a.exe"}
                                          << QStringList{"data/Temp/a.exe"} << QStringList{"data/Temp/pipe"};
        QTest::newRow("missing download folder")
            << QStringList{"f:data/AEX.dat"} << QStringList{"data/Temp"} << QStringList{"data/AEX.dat"};
        QTest::newRow("download folder is a file")
            << QStringList{"f:data/Temp"} << QStringList{} << QStringList{"data/Temp"};
        QTest::newRow("empty download folder")
            << QStringList{"d:data/Temp"} << QStringList{} << QStringList{"data/Temp"};
    }
    void removeLeftovers()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, gone);
        QFETCH(QStringList, kept);
#ifdef Q_OS_WIN
        for (const QString& entry : entries)
            if (entry.startsWith(QLatin1String("l:")) || entry.startsWith(QLatin1String("p:")))
                QSKIP("no symbolic links or named pipes for a user on Windows");
#endif
        QTemporaryDir root;
        QVERIFY(root.isValid());
        for (const QString& entry : entries)
            QVERIFY2(Make(root.path(), entry), qPrintable(entry));

        const QStringList removed =
            Update::RemoveDownloadLeftovers(root.path() + QStringLiteral("/data/Temp/"));

        for (const QString& path : gone)
            QVERIFY2(!Exists(root.path() + QLatin1Char('/') + path), qPrintable(path));
        for (const QString& path : kept) {
            QVERIFY2(Exists(root.path() + QLatin1Char('/') + path), qPrintable(path));
            const QFileInfo info(root.path() + QLatin1Char('/') + path);
            if (info.isFile() && !path.startsWith(QLatin1String("data/Temp/")) &&
                path != QLatin1String("data/Temp"))
                QCOMPARE(TestSupport::ReadFile(info.filePath()), "contents of " + path.toUtf8());
        }
        // Exactly the files named gone were removed, reported by their full paths.
        QStringList expected;
        for (const QString& path : gone)
            if (path != QLatin1String("data/Temp"))
                expected.append(QDir(root.path()).absoluteFilePath(path));
        QStringList sortedRemoved = removed;
        sortedRemoved.sort();
        expected.sort();
        QCOMPARE(sortedRemoved, expected);
    }

    void emptyFolderNameRemovesNothing()
    {
        // An empty name would be the current folder.
        QTemporaryDir root;
        QVERIFY(TestSupport::WriteFile(root.path() + QStringLiteral("/keep.exe"), "x"));
        const QString before = QDir::currentPath();
        QDir::setCurrent(root.path());
        const QStringList removed = Update::RemoveDownloadLeftovers(QString());
        QDir::setCurrent(before);
        QVERIFY(removed.isEmpty());
        QVERIFY(QFile::exists(root.path() + QStringLiteral("/keep.exe")));
    }
};

QTEST_GUILESS_MAIN(TestDownloadLeftovers)
#include "tst_downloadleftovers.moc"
