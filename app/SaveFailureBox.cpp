#include "app/SaveFailureBox.h"

#include "support/Product.h"
#include "support/Texts.h"

#include <QMessageBox>
#include <QPushButton>

SaveFailureAnswer AskSaveFailureInBox(QWidget* parent, const std::string& path)
{
    // The main window speaks Dutch.
    constexpr Support::Language language = Support::Language::Dutch;
    using Support::Text;
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(Support::ProductName),
                    QString::fromLocal8Bit(SaveFailureText(path, language)), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("SaveFailureBox"));
    QPushButton* retry = box.addButton(QString::fromLatin1(Support::TextFor(Text::RetryButton, language)),
                                       QMessageBox::AcceptRole);
    box.addButton(QString::fromLatin1(Support::TextFor(Text::CloseWithoutSavingButton, language)),
                  QMessageBox::DestructiveRole);
    // Escape must not throw the session's days away.
    box.setDefaultButton(retry);
    box.setEscapeButton(retry);
    box.exec();
    return box.clickedButton() == retry ? SaveFailureAnswer::Retry : SaveFailureAnswer::CloseWithoutSaving;
}
