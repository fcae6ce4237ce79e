#include "testsupport/TestSupport.h"

#include "support/SettingsStore.h"
#include "testsupport/LoopbackServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

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

QString ConfigHome()
{
    return FolderFromEnvironment("XDG_CONFIG_HOME");
}
QString DataHome()
{
    return FolderFromEnvironment("XDG_DATA_HOME");
}
QString DataFolder()
{
    return DataHome() + QStringLiteral("/Koerszicht/");
}
QString IniPath()
{
    return ConfigHome() + QStringLiteral("/Koerszicht/Koerszicht.ini");
}

void ResetUserFolders()
{
    for (const QString& folder : {ConfigHome(), DataHome()}) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
    }
    // Only the quote page and the closing-prices list, at the sites a test names: the default
    // sources lie on the internet, which no test reaches.
    QSettings ini(IniPath(), QSettings::IniFormat);
    ini.setValue("Sources/QuoteSources", "page");
    ini.setValue("Sources/ClosingPricesSources", "list");
}

void PointSourcesNowhere()
{
    QSettings ini(IniPath(), QSettings::IniFormat);
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1/").arg(ClosedPort());
    for (const char* key : {"Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
        ini.setValue(key, nowhere);
}

QString SourceDir()
{
    return qEnvironmentVariable("KOERSZICHT_SOURCE_DIR");
}
QString ProgramPath()
{
    return qEnvironmentVariable("KOERSZICHT_BINARY");
}
QString TestProgramPath()
{
    return qEnvironmentVariable("KOERSZICHT_TEST_PROGRAM");
}

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

Support::SystemFacts Facts(Support::Language language)
{
    Support::SystemFacts facts;
    facts.language = language;
    QDir().mkpath(DataFolder());
    facts.dataFolder = DataFolder().toLocal8Bit().toStdString();
    facts.startFolder = QDir::currentPath().toLocal8Bit().toStdString() + "/";
    facts.programFolder = QCoreApplication::applicationDirPath().toLocal8Bit().toStdString();
    return facts;
}

QSettings IniFile()
{
    return QSettings(IniPath(), QSettings::IniFormat);
}

void StoreDefaults(const QVariantMap& values)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(QStringLiteral("Defaults"));
    for (auto it = values.begin(); it != values.end(); ++it)
        settings->setValue(it.key(), it.value());
}

} // namespace TestSupport
