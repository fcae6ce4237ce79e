#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a normal close of a window, so that its close
// handling runs (settings and history are saved), as on a logout or shutdown.

#include <QObject>

class QSocketNotifier;
class QWidget;

class SignalCloser : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; a signal then closes `window` from the event loop.
    explicit SignalCloser(QWidget* window);
    ~SignalCloser() override;

private:
    QWidget* m_window;
    QSocketNotifier* m_notifier = nullptr;
};
