#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestSupport {

namespace {
QString FolderFromEnvironment(const char* name)
{
    const QString folder = qEnvironmentVariable(name);
    // An empty name would make ResetUserFolders empty the current folder: refuse to go on.
    if (folder.isEmpty())
        qFatal("%s is not set: tests run with their own XDG folders (run them with ctest)", name);
    return folder;
}
} // namespace

QString ConfigHome() { return FolderFromEnvironment("XDG_CONFIG_HOME"); }
QString DataHome() { return FolderFromEnvironment("XDG_DATA_HOME"); }
QString DataFolder() { return DataHome() + QStringLiteral("/Koerszicht/"); }
QString IniPath() { return ConfigHome() + QStringLiteral("/Koerszicht/Koerszicht.ini"); }

void ResetUserFolders()
{
    for (const QString& folder : {ConfigHome(), DataHome()}) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
}

QString SourceDir() { return qEnvironmentVariable("KOERSZICHT_SOURCE_DIR"); }
QString ProgramPath() { return qEnvironmentVariable("KOERSZICHT_BINARY"); }

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

} // namespace TestSupport
