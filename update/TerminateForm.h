#pragma once
// Finds a running process by the path of its executable, so that it can be ended.

#include <QWidget>

class TTerminateForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTerminateForm(QWidget* parent = nullptr);
};
