#include "app/FontWarmUp.h"

#include "support/RuntimeLibrary.h"

FontWarmUp::FontWarmUp()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    m_thread = std::thread([] {
        // Qt has loaded the library already; this finds it. FcInit loads the configuration once
        // for the process, and Qt's own call then finds it loaded.
        QLibrary fontconfig;
        int (*init)() = nullptr;
        if (Support::OpenLibrary(fontconfig, "fontconfig", 1) && Support::Resolve(fontconfig, init, "FcInit"))
            init();
    });
#endif
}

void FontWarmUp::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
