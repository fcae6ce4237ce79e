#include "messform/MessageForm.h"

TMessageForm::TMessageForm(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("MessageForm"));
}
