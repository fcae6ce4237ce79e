#pragma once
// The trend-line alerts as the desktop shows them: the system tray's message where there is a
// tray (on Linux the desktop's notification service, through Qt), else a note in the main
// window; and the window's taskbar entry asks for attention. A tap (a test's recorder) hears
// every alert too.

#include "session/AlertNotifier.h"

#include <functional>
#include <memory>

class QSystemTrayIcon;
class TMainForm;

class DesktopAlerts : public AlertNotifier
{
public:
    explicit DesktopAlerts(TMainForm& window, std::function<void(const std::string&)> tap = {});
    ~DesktopAlerts() override;
    void Notify(const std::string& text) override;

private:
    TMainForm& m_window;
    std::function<void(const std::string&)> m_tap;
    std::unique_ptr<QSystemTrayIcon> m_tray;
};
