#pragma once
// The About box: product name, version, copyright, the contact lines, mail and home page.

#include <QDialog>

class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);
};
