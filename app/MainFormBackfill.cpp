// The main window's closing-price back-fill at loading and its message.
#include "app/MainForm.h"

int TMainForm::BackfillClosingPrices()
{
    return 0;
}

void TMainForm::ShowLoadMessage(int) {}
