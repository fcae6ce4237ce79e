#include "app/FirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget& window, std::function<void()> then) : QObject(&window), m_then(std::move(then))
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Once the paint has been handed on to the screen.
            QTimer::singleShot(0, this, [this] {
                const std::function<void()> then = std::move(m_then);
                deleteLater();
                then();
            });
        }
        return false;
    }

private:
    std::function<void()> m_then;
};

} // namespace

void AfterFirstPaint(QWidget& window, std::function<void()> then)
{
    new FirstPaint(window, std::move(then));
}
