// The main window's chart: painting, the trend-line handles and the hover read-out.
#include "app/MainForm.h"

void TMainForm::SetUpChart() {}

void TMainForm::FormPaint()
{
    Painted = true;
}

void TMainForm::DrawGraph() {}

void TMainForm::LoadHandles() {}

void TMainForm::SaveHandles() {}
