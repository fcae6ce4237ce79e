#pragma once
// Saving the history when the main window closes: a failed write is put to the user, who may
// try again (after freeing space or making the folder writable); a close by a signal or the
// end of the session has nobody to ask, and only reports it.

#include "support/SystemFacts.h"

#include <functional>
#include <string>

enum class CloseKind
{
    User,       // the user closes the window
    Unattended, // a signal (SIGTERM, SIGINT, SIGHUP) or the session's end closes it
};

enum class HistorySave
{
    Written,
    NotNeeded,      // no file and nothing to write
    LeftUnreadable, // the file could not be read at start-up and is left as it is
    Failed,         // the previous file is left as it was; this run's days are not stored
};

enum class SaveFailureAnswer
{
    Retry,
    CloseWithoutSaving,
};

// Shown to the user: the path of the history file.
using SaveFailureAsker = std::function<SaveFailureAnswer(const std::string& path)>;

// Saves with `save`; while that fails and the close is the user's, asks, and saves again on
// Retry. Returns the last save's result.
HistorySave SaveHistoryAtClose(const std::function<HistorySave()>& save, CloseKind kind,
                               const SaveFailureAsker& ask, const std::string& path);

// The question's text around the history file's path; its two buttons are
// Support::Text::RetryButton and Support::Text::CloseWithoutSavingButton.
std::string SaveFailureText(const std::string& path, Support::Language language);
