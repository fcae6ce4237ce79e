#include "testsupport/TestSupport.h"

#include "support/Product.h"
#include "support/SettingsStore.h"
#ifdef Q_OS_WIN
#include "support/SystemInfo_win.h"
#endif
#include "testsupport/LoopbackServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace TestSupport {

namespace {
#ifdef Q_OS_WIN
// Wine hands no QT_ variable of the machine on to Windows programs, so the tests' platform
// (ctest's QT_QPA_PLATFORM=offscreen) is set here, before any test builds its application and
// for the programs a test starts.
const bool OffscreenPlatform = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}();
#endif

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
#ifdef Q_OS_WIN
    // On Windows the program derives its data folder from the Desktop folder, and keeps its
    // settings in the registry: both belong to the wine prefix the tests run in, which they
    // share and empty, so a user's own must never be taken for it.
    if (qEnvironmentVariableIsEmpty("WINEPREFIX"))
        qFatal(
            "WINEPREFIX is not set: the tests run in a wine prefix of their own (scripts/build-windows.sh)");
    const std::string folder =
        Support::DataFolderFromDesktop(Support::Win32::ReadDesktopPath(), Support::ProductName);
    return QDir::fromNativeSeparators(QString::fromLocal8Bit(folder.c_str()));
#else
    return DataHome() + QStringLiteral("/Koerszicht/");
#endif
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
#ifdef Q_OS_WIN
    QDir(DataFolder()).removeRecursively(); // the program makes it, as on its first start
#endif
    // The program's own store (the INI file in the folder just emptied; on Windows the registry
    // key, which outlives the test): only the quote page and the closing-prices list, at the
    // sites a test names. The default sources lie on the internet, which no test reaches.
    const auto settings = Support::OpenSettings();
    settings->clear();
    settings->setValue("Sources/QuoteSources", "page");
    settings->setValue("Sources/ClosingPricesSources", "list");
}

void PointSourcesNowhere()
{
    const auto settings = Support::OpenSettings();
    const QString nowhere = QStringLiteral("http://127.0.0.1:%1/").arg(ClosedPort());
    for (const char* key : {"Sources/QuoteSite", "Sources/ClosingPricesSite", "Sources/MakerSite"})
        settings->setValue(key, nowhere);
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
QString HelperProgramPath()
{
#ifdef Q_OS_WIN
    return qEnvironmentVariable("KOERSZICHT_TEST_HELPER");
#else
    return QStringLiteral("/bin/sleep");
#endif
}

void SetProgramClock(QProcess& program, const QDateTime& start, int speed)
{
    QProcessEnvironment environment = program.processEnvironment();
    if (environment.isEmpty())
        environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KOERSZICHT_CLOCK_START"), start.toString(Qt::ISODate));
    environment.insert(QStringLiteral("KOERSZICHT_CLOCK_SPEED"), QString::number(speed));
    program.setProcessEnvironment(environment);
}

bool StartProgram(QProcess& program, const QString& folder, const QString& path)
{
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.setWorkingDirectory(folder);
    program.start(path, {});
    return program.waitForStarted(10000);
}

bool StartWithStarterHistory(QProcess& program, const QString& folder, const QString& path)
{
    return QFile::copy(SourceDir() + "/data/AEX.dat", folder + "/AEX.dat") &&
           StartProgram(program, folder, path);
}

bool ClosedNormally(QProcess& program)
{
    program.terminate();
    return program.waitForFinished(10000) && program.exitStatus() == QProcess::NormalExit &&
           program.exitCode() == 0;
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

bool WriteHandEditedSettings(const QByteArray& text)
{
#ifdef Q_OS_WIN
    QSettings settings = IniFile();
    settings.clear();
    QString group;
    for (const QByteArray& raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('[') && line.endsWith(']'))
            group = line.mid(1, line.size() - 2);
        else if (const qsizetype equals = line.indexOf('='); equals > 0)
            settings.setValue(group + '/' + line.left(equals),
                              QString::fromUtf8(raw.mid(raw.indexOf('=') + 1)).remove('\r'));
    }
    settings.sync();
    return settings.status() == QSettings::NoError;
#else
    return WriteFile(IniPath(), text);
#endif
}

QSettings IniFile()
{
#ifdef Q_OS_WIN
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + Support::ProductName,
                     QSettings::NativeFormat);
#else
    return QSettings(IniPath(), QSettings::IniFormat);
#endif
}

void StoreDefaults(const QVariantMap& values)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(QStringLiteral("Defaults"));
    for (auto it = values.begin(); it != values.end(); ++it)
        settings->setValue(it.key(), it.value());
}

} // namespace TestSupport
