#include "app/SaveFailureBox.h"

#include "support/Product.h"

#include <QMessageBox>
#include <QPushButton>

SaveFailureAnswer AskSaveFailureInBox(QWidget* parent, const std::string& path)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(Support::ProductName),
                    QString::fromLocal8Bit(SaveFailureText(path)), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("SaveFailureBox"));
    QPushButton* retry = box.addButton(QString::fromLatin1(RetryButtonText), QMessageBox::AcceptRole);
    box.addButton(QString::fromLatin1(CloseWithoutSavingButtonText), QMessageBox::DestructiveRole);
    // Escape must not throw the session's days away.
    box.setDefaultButton(retry);
    box.setEscapeButton(retry);
    box.exec();
    return box.clickedButton() == retry ? SaveFailureAnswer::Retry : SaveFailureAnswer::CloseWithoutSaving;
}
