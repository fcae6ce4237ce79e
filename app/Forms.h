#pragma once
// The program's five windows, created once at start in this order and living until it ends.

#include "about/AboutForm.h"
#include "messform/MessageForm.h"
#include "update/TerminateForm.h"
#include "update/VersionsForm.h"

class TMainForm;

namespace Forms {
extern TMainForm* MainForm;
extern TMessageForm* MessageForm;
extern TVersionsForm* VersionsForm;
extern TTerminateForm* TerminateForm;
extern TAboutForm* AboutForm;
} // namespace Forms
