#pragma once
// Reads the system's font configuration on a thread of its own while Qt starts: otherwise the
// first text the main window measures waits for it, a few milliseconds of parsing its files.
// Where Qt finds fonts without fontconfig (Windows) it does nothing.

#include <thread>

class FontWarmUp
{
public:
    FontWarmUp();
    // Waits for the thread; from then on the configuration is there for Qt.
    void Wait();
    ~FontWarmUp() { Wait(); }
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::thread m_thread;
};
