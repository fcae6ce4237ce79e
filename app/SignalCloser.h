#pragma once
// Turns SIGTERM, SIGINT and SIGHUP, and on Windows a WM_CLOSE posted to the program's thread,
// into a normal close of a window, so that its close handling runs (settings and history are
// saved), as on a logout or shutdown.

#include <QObject>
#include <functional>
#include <memory>

class QAbstractNativeEventFilter;
class QSocketNotifier;

class SignalCloser : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; a signal then runs `close` from the event loop.
    SignalCloser(QObject* parent, std::function<void()> close);
    ~SignalCloser() override;

private:
    // Runs the close from the event loop.
    void Request();

    std::function<void()> m_close;
    QSocketNotifier* m_notifier = nullptr;
    std::unique_ptr<QAbstractNativeEventFilter> m_threadClose;
};
