#include "app/SignalCloser.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QSocketNotifier>

#ifdef Q_OS_WIN
#include "app/SignalCloser_win.h"

namespace {
class ThreadCloseFilter : public QAbstractNativeEventFilter
{
public:
    explicit ThreadCloseFilter(std::function<void()> request) : m_request(std::move(request)) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "windows_generic_MSG" || !App::Win32::IsThreadCloseMessage(message))
            return false;
        m_request();
        return true;
    }

private:
    std::function<void()> m_request;
};
} // namespace
#endif

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int SignalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: the event loop does the rest.
    [[maybe_unused]] const auto written = ::write(SignalPipe[0], &byte, 1);
}
} // namespace
#endif

SignalCloser::SignalCloser(QObject* parent, std::function<void()> close)
    : QObject(parent), m_close(std::move(close))
{
#ifdef Q_OS_UNIX
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, SignalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte;
        [[maybe_unused]] const auto read = ::read(SignalPipe[1], &byte, 1);
        Request();
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
#elif defined(Q_OS_WIN)
    m_threadClose = std::make_unique<ThreadCloseFilter>([this] { Request(); });
    QCoreApplication::instance()->installNativeEventFilter(m_threadClose.get());
#endif
}

void SignalCloser::Request()
{
    QMetaObject::invokeMethod(
        this, [this] { m_close(); }, Qt::QueuedConnection);
}

SignalCloser::~SignalCloser()
{
#ifdef Q_OS_UNIX
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    ::close(SignalPipe[0]);
    ::close(SignalPipe[1]);
    SignalPipe[0] = SignalPipe[1] = -1;
#elif defined(Q_OS_WIN)
    QCoreApplication::instance()->removeNativeEventFilter(m_threadClose.get());
#endif
}
