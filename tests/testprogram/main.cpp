// The program as the tests build it: the program's own start, plus the pauses a test asks for
// through the environment. The shipped program reads no such setting.
//   KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS=<ms>  every history write pauses half-way, so that a
//                                                test can kill the program inside the write
#include "app/Application.h"
#include "history/HistoryFile.h"

#include <QApplication>
#include <QThread>
#include <QtDebug>

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
    return RunKoerszicht(application);
}
