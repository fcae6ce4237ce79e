#include "app/StartupProbe.h"

#include <QDateTime>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

// The peak resident memory of this process in kilobytes; 0 where the system does not say.
long long PeakResidentKB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget& window, qint64 launchedNs, std::function<void()> done)
        : QObject(&window), m_launchedNs(launchedNs), m_done(std::move(done))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || m_seen)
            return QObject::eventFilter(watched, event);
        m_seen = true;
        // Once the paint has been handed on to the screen.
        QTimer::singleShot(0, this, [this] {
            const qint64 nowNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
            std::printf("startup_ms=%lld peak_rss_kb=%lld\n",
                        static_cast<long long>((nowNs - m_launchedNs) / 1000000), PeakResidentKB());
            std::fflush(stdout);
            if (m_done)
                m_done();
        });
        return false;
    }

private:
    qint64 m_launchedNs;
    std::function<void()> m_done;
    bool m_seen = false;
};

} // namespace

void ProbeStartup(QWidget& window, std::function<void()> done)
{
    bool ok = false;
    const qint64 launchedNs = qEnvironmentVariable("KOERSZICHT_STARTUP_PROBE").toLongLong(&ok);
    if (ok && launchedNs > 0)
        new FirstPaint(window, launchedNs, std::move(done));
}
