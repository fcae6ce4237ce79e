#pragma once
// A small borderless window that shows a short text centred over a rectangle and hides
// itself after a given time.

#include <QWidget>

class TMessageForm : public QWidget
{
    Q_OBJECT
public:
    explicit TMessageForm(QWidget* parent = nullptr);
};
