#pragma once
// The message box that tells the user the history could not be saved and offers to try again.

#include "session/ClosingSave.h"

class QWidget;

SaveFailureAnswer AskSaveFailureInBox(QWidget* parent, const std::string& path);
