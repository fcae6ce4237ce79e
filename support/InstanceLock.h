#pragma once
// One running program per data folder: two would each write the history over the other's at
// closing. The lock is a file in the data folder that holds the running program's process; a
// lock left by a program that has ended (a crash, a power cut) is taken over.

#include <QLockFile>
#include <string>

namespace Support {

class InstanceLock
{
public:
    // Tries the lock of `dataFolder` (which ends in a separator) once.
    explicit InstanceLock(const std::string& dataFolder);
    // Another running program holds the folder: this one must not touch it.
    bool OtherRunning() const { return m_otherRunning; }

private:
    QLockFile m_lock;
    bool m_otherRunning = false;
};

} // namespace Support
