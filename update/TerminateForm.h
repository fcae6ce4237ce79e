#pragma once
// Finds a running process by the path of its executable, so that it can be ended. The
// window is never shown; it only carries the search.

#include "update/ProcessFinder.h"

#include <QWidget>
#include <string>

class TTerminateForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTerminateForm(QWidget* parent = nullptr);

    // The first running process whose executable is `path` (whole path, surrounding blanks
    // ignored, letter case as the file system treats it); none when nothing matches. The
    // caller ends it.
    Update::ProcessHandle FindProcess(const std::string& path) const;
};
