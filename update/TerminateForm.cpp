#include "update/TerminateForm.h"

TTerminateForm::TTerminateForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TerminateForm"));
}
