#pragma once
// The seam through which a trend-line alert reaches the user. The program's start fills it
// with the desktop's notification (the system tray's message), the taskbar's request for
// attention and, where there is no tray, a note in the main window; tests fill it with a
// recorder.

#include <string>

class AlertNotifier
{
public:
    virtual ~AlertNotifier() = default;
    // `text`: "De AEX (912,45) is boven de rode lijn (910,20) gekomen."
    virtual void Notify(const std::string& text) = 0;
};
