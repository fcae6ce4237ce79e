#include "support/Folders.h"

#include "support/TextFields.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include "support/Folders_win.h"
#endif

namespace Support {

namespace {
QString ToQ(const std::string& text)
{
    return QString::fromLocal8Bit(text);
}
std::string FromQ(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

[[maybe_unused]] std::string FolderOf(const std::string& path)
{
    const auto at = path.find_last_of("/\\");
    return at == std::string::npos ? std::string() : path.substr(0, at);
}
} // namespace

bool ForceFolder(const std::string& path)
{
    QDir().mkpath(ToQ(path));
    if (QFileInfo(ToQ(path)).isDir())
        QDir::setCurrent(ToQ(path));
#ifdef Q_OS_WIN
    return FromQ(QDir::toNativeSeparators(QDir::currentPath())) + "\\" == path;
#else
    return FromQ(QDir::currentPath()) + "/" == path;
#endif
}

#ifdef Q_OS_WIN
std::string GetDataFolder(const std::string& productName, bool isNTFamily, const std::string& desktopPath)
{
    if (!isNTFamily)
        return FromQ(QDir::toNativeSeparators(QDir::currentPath())) + "\\";
    const QString remembered = QDir::currentPath();
    const std::string folder = DataFolderFromDesktop(desktopPath, productName);
    ForceFolder(folder);
    QDir::setCurrent(remembered);
    return folder;
}
#else
std::string GetDataFolder(const std::string& productName, bool, const std::string&)
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = base + QLatin1Char('/') + ToQ(productName) + QLatin1Char('/');
    QDir().mkpath(folder); // failure shows up later as a missing file; the name is returned all the same
    return FromQ(folder);
}
#endif

#ifdef Q_OS_WIN
std::string GetDriveTypeName(char driveLetter)
{
    return Win32::DriveTypeNameOf(driveLetter);
}
#else
std::string GetDriveTypeName(char)
{
    return {}; // no drive letters here
}
#endif

QDateTime ShiftedTimeStamp(const QDateTime& sourceTime, TimeStampShift shift, double daylightBias)
{
    // File times are kept in the two-second steps of a DOS file time.
    QDateTime time = sourceTime;
    time.setTime(QTime(time.time().hour(), time.time().minute(), time.time().second() / 2 * 2));
    return time.addSecs(TimeStampShiftSeconds(shift, daylightBias));
}

bool CopyFileTo(const std::string& source, const std::string& target, bool failIfExists,
                const DaylightFacts& daylight)
{
#ifdef Q_OS_WIN
    // DOS file times and the copy service of the system.
    return Win32::CopyFileKeepingTime(source, target, failIfExists, daylight.active, daylight.bias);
#else
    const std::string targetFolder = FolderOf(target);
    if (!targetFolder.empty())
        QDir().mkpath(ToQ(targetFolder));
    const QFileInfo sourceInfo(ToQ(source));
    if (!sourceInfo.isFile())
        return false;
    if (QFileInfo::exists(ToQ(target))) {
        if (failIfExists)
            return false;
        QFile::remove(ToQ(target));
    }
    if (!QFile::copy(ToQ(source), ToQ(target)))
        return false;
    const char sourceDrive = source.empty() ? '\0' : source.front();
    const char targetDrive = target.empty() ? '\0' : target.front();
    const TimeStampShift shift =
        DecideTimeStampShift(GetDriveTypeName(sourceDrive), GetDriveTypeName(targetDrive), daylight.active);
    QFile copied(ToQ(target));
    if (copied.open(QIODevice::ReadWrite)) {
        copied.setFileTime(ShiftedTimeStamp(sourceInfo.lastModified(), shift, daylight.bias),
                           QFileDevice::FileModificationTime);
        copied.close();
    }
    return true;
#endif
}

std::string FirstExistingFile(const std::initializer_list<std::string>& candidates)
{
    for (const auto& candidate : candidates)
        if (!candidate.empty() && QFileInfo(ToQ(candidate)).isFile())
            return candidate;
    return {};
}

std::string FindStarterHistory(const std::string& executableFolder)
{
    // The installed copy is looked up beside the program's prefix first, so that an
    // installation moved to another prefix still finds its own.
    return FirstExistingFile({FromQ(QDir::currentPath()) + "/AEX.dat", executableFolder + "/AEX.dat",
                              executableFolder + "/../share/koerszicht/AEX.dat",
                              std::string(KOERSZICHT_INSTALL_DATADIR) + "/AEX.dat"});
}

} // namespace Support
