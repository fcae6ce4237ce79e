#include "update/VersionsForm.h"

TVersionsForm::TVersionsForm(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VersionsForm"));
}

void TVersionsForm::CheckForUpdate(const std::string&, const std::string&) {}
