#include "support/InstanceLock.h"

#include "support/Product.h"

#ifndef _WIN32
#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Support {

#ifdef _WIN32

InstanceLock::InstanceLock(const std::string& dataFolder)
    : m_lock(QString::fromLocal8Bit(dataFolder) + QLatin1String(ProductName) + QLatin1String(".lock"))
{
    // Only a lock whose program has ended counts as stale, however old it is.
    m_lock.setStaleLockTime(0);
    // A folder where no lock can be made (read-only, full) is not another program's: the
    // program's own handling of such a folder applies.
    m_otherRunning = !m_lock.tryLock(0) && m_lock.error() == QLockFile::LockFailedError;
}

InstanceLock::~InstanceLock() = default;

#else

namespace {

// The file still has the name it was opened by: a program that ended just now removes it,
// and a lock on a removed file keeps no one out.
bool StillNamed(int file, const std::string& path)
{
    struct stat held = {};
    struct stat named = {};
    return ::fstat(file, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

} // namespace

// The system holds the lock (flock) for as long as the file is open, so it ends with the
// program however the program ends, and taking it costs no write to the disk. The file names
// the process, the program and the machine, one a line, as a lock file of Qt's does: an older
// version of the program, which locks with one, sees this one running, and this one sees it.
InstanceLock::InstanceLock(const std::string& dataFolder) : m_path(dataFolder + ProductName + ".lock")
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int file = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        // A folder where no lock can be made (read-only, full) is not another program's: the
        // program's own handling of such a folder applies.
        if (file < 0)
            return;
        if (::flock(file, LOCK_EX | LOCK_NB) != 0) {
            m_otherRunning = errno == EWOULDBLOCK;
            ::close(file);
            return;
        }
        if (!StillNamed(file, m_path)) {
            ::close(file);
            continue;
        }
        m_file = file;
        const QByteArray owner = QByteArray::number(QCoreApplication::applicationPid()) + '\n' +
                                 QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8() +
                                 '\n' + QSysInfo::machineHostName().toUtf8() + '\n';
        // Without the names (a full disk) the lock holds all the same.
        [[maybe_unused]] const bool named =
            ::ftruncate(file, 0) == 0 && ::write(file, owner.constData(), owner.size()) == owner.size();
        return;
    }
}

InstanceLock::~InstanceLock()
{
    if (m_file < 0)
        return;
    // Removed while still locked: a program that opens it now finds it gone (above).
    ::unlink(m_path.c_str());
    ::close(m_file);
}

#endif

} // namespace Support
