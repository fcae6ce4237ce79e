#include "app/DesktopAlerts.h"

#include "app/AppIcon.h"
#include "app/MainForm.h"
#include "support/Product.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace {
constexpr int MessageMs = 15000;
} // namespace

DesktopAlerts::DesktopAlerts(TMainForm& window, std::function<void(const std::string&)> tap)
    : m_window(window), m_tap(std::move(tap))
{
}

DesktopAlerts::~DesktopAlerts() = default;

void DesktopAlerts::Notify(const std::string& text)
{
    const QString message = QString::fromLatin1(text);
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        if (!m_tray) {
            m_tray = std::make_unique<QSystemTrayIcon>(AppIcon());
            m_tray->setToolTip(QString::fromLatin1(Support::ProductName));
            // A click on the message brings the window forward.
            QObject::connect(m_tray.get(), &QSystemTrayIcon::messageClicked, &m_window, [this] {
                m_window.showNormal();
                m_window.activateWindow();
            });
        }
        m_tray->show();
        m_tray->showMessage(QString::fromLatin1(Support::ProductName), message, QSystemTrayIcon::Information,
                            MessageMs);
    } else {
        m_window.ShowAlertNote(message);
    }
    QApplication::alert(&m_window);
    if (m_tap)
        m_tap(text);
}
