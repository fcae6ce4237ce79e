#include "update/TerminateForm.h"

TTerminateForm::TTerminateForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TerminateForm"));
}

Update::ProcessHandle TTerminateForm::FindProcess(const std::string& path) const
{
    return Update::FindProcessByPath(path);
}
