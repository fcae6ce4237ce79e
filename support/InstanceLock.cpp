#include "support/InstanceLock.h"

#include "support/Product.h"

namespace Support {

InstanceLock::InstanceLock(const std::string& dataFolder)
    : m_lock(QString::fromLocal8Bit(dataFolder) + QLatin1String(ProductName) + QLatin1String(".lock"))
{
    // Only a lock whose program has ended counts as stale, however old it is.
    m_lock.setStaleLockTime(0);
    // A folder where no lock can be made (read-only, full) is not another program's: the
    // program's own handling of such a folder applies.
    m_otherRunning = !m_lock.tryLock(0) && m_lock.error() == QLockFile::LockFailedError;
}

} // namespace Support
