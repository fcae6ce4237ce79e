#include "app/StartupProbe.h"

#include "app/FirstPaint.h"

#include <QDateTime>
#include <QFile>
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

} // namespace

void ProbeStartup(QWidget& window, std::function<void()> done)
{
    bool ok = false;
    const qint64 launchedNs = qEnvironmentVariable("KOERSZICHT_STARTUP_PROBE").toLongLong(&ok);
    if (!ok || launchedNs <= 0)
        return;
    AfterFirstPaint(window, [launchedNs, done = std::move(done)] {
        const qint64 nowNs = QDateTime::currentMSecsSinceEpoch() * 1000000;
        std::printf("startup_ms=%lld peak_rss_kb=%lld\n",
                    static_cast<long long>((nowNs - launchedNs) / 1000000), PeakResidentKB());
        std::fflush(stdout);
        if (done)
            done();
    });
}
