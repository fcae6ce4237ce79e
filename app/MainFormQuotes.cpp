// The main window's live quotes: the download schedule, the quote download and the status line.
#include "app/MainForm.h"

void TMainForm::DownloadTimerTimer() {}
