#pragma once
// The update window: announces a newer version, downloads its installer and starts it.

#include <QWidget>
#include <string>

class TVersionsForm : public QWidget
{
    Q_OBJECT
public:
    explicit TVersionsForm(QWidget* parent = nullptr);
    void CheckForUpdate(const std::string& productName, const std::string& versionText);
};
