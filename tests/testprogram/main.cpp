// The program as the tests build it: the program's own start, plus the pauses a test asks for
// through the environment. The shipped program reads no such setting.
//   KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS=<ms>  every history write pauses half-way, so that a
//                                                test can kill the program inside the write
//   KOERSZICHT_TEST_ALERT_LOG=<file>             every trend-line alert is also appended to the
//                                                file, one line each
//   KOERSZICHT_TEST_INSTALLER_KEY=<64 hex digits> the public key an installer's signature must
//                                                verify against, in place of the release key
//                                                (whose private half signs only real releases)
#include "app/Application.h"
#include "history/HistoryFile.h"

#include <QApplication>
#include <QFile>
#include <QThread>
#include <QtDebug>
#include <algorithm>

namespace {

unsigned long historyWritePauseMs = 0;

void PauseHistoryWrite()
{
    qWarning("History file write paused half-way for a test");
    QThread::msleep(historyWritePauseMs);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int pause = qEnvironmentVariableIntValue("KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS");
    if (pause > 0) {
        historyWritePauseMs = static_cast<unsigned long>(pause);
        History::SetWritePause(PauseHistoryWrite);
    }
    RunOptions options;
    const QString alertLog = qEnvironmentVariable("KOERSZICHT_TEST_ALERT_LOG");
    if (!alertLog.isEmpty())
        options.alertTap = [alertLog](const std::string& text) {
            QFile log(alertLog);
            if (log.open(QIODevice::Append))
                log.write(QByteArray::fromStdString(text) + '\n');
        };
    const QByteArray key = qgetenv("KOERSZICHT_TEST_INSTALLER_KEY");
    if (!key.isEmpty()) {
        const QByteArray bytes = QByteArray::fromHex(key);
        if (key.size() != 2 * static_cast<qsizetype>(options.installerKey.size()) ||
            bytes.toHex() != key.toLower()) {
            qCritical("KOERSZICHT_TEST_INSTALLER_KEY is not 64 hexadecimal digits");
            return 2;
        }
        std::copy(bytes.begin(), bytes.end(), options.installerKey.begin());
    }
    return RunKoerszicht(application, std::move(options));
}
