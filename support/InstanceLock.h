#pragma once
// One running program per data folder: two would each write the history over the other's at
// closing. The lock is a file in the data folder that names the running program's process; a
// lock left by a program that has ended (a crash, a power cut) is taken over.

#include <string>

#ifdef _WIN32
#include <QLockFile>
#endif

namespace Support {

class InstanceLock
{
public:
    // Tries the lock of `dataFolder` (which ends in a separator) once.
    explicit InstanceLock(const std::string& dataFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // Another running program holds the folder: this one must not touch it.
    bool OtherRunning() const { return m_otherRunning; }

private:
#ifdef _WIN32
    QLockFile m_lock;
#else
    std::string m_path;
    int m_file = -1; // open and locked while this program holds the folder
#endif
    bool m_otherRunning = false;
};

} // namespace Support
