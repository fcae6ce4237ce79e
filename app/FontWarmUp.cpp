#include "app/FontWarmUp.h"

#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include "support/RuntimeLibrary.h"
#endif

FontWarmUp::FontWarmUp()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    m_thread = std::thread([] {
        // Qt's libraries have loaded fontconfig already; nothing of Qt is used on this thread,
        // which runs before the application object exists. FcInit loads the configuration once
        // for the process, and Qt's own call then finds it loaded.
        int (*init)() = nullptr;
        if (Support::Resolve(RTLD_DEFAULT, init, "FcInit"))
            init();
    });
#endif
}

void FontWarmUp::Wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
