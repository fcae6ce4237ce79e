#include "app/Forms.h"

namespace Forms {
TMainForm* MainForm = nullptr;
TMessageForm* MessageForm = nullptr;
TVersionsForm* VersionsForm = nullptr;
TTerminateForm* TerminateForm = nullptr;
TAboutForm* AboutForm = nullptr;
} // namespace Forms
