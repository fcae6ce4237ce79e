// The trend-line alerts in the main window: the handle's menu with its checked item
// "Waarschuw bij doorbreken", which switches the line's alert and stores the switch; and the
// note in the window where the desktop has no tray to show a notification (as offscreen).
#include "app/DesktopAlerts.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/TestSupport.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {

const QDate Today(2026, 3, 4);

// Two months of values around 1000 up to yesterday, today's and the 31 days after it.
History::EntryList Series()
{
    History::EntryList items;
    const int today = Support::DayNumber(Today);
    for (int day = today - 60; day <= today + 31; ++day) {
        const double value = day < today ? 1000.0 + (day % 11) * 2.5 - (today - day) * 0.4 : 1001.0;
        items.push_back(
            History::MakeEntry(day, QString::number(value, 'f', 2).replace('.', ',').toStdString()));
    }
    return items;
}

} // namespace

class TestMainFormAlerts : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        Support::SetRegional(Support::RegionalSettings::Dutch());
        Support::Clock::Set(QDateTime(Today, QTime(20, 0)));
        // The note, empty until an alert, is not laid out before it has a text.
        QTest::failOnWarning(QRegularExpression("Negative sizes"));
    }
    void cleanup() { m_window.reset(); }

    // A right-click on a red handle: its menu shows the item checked (on by default); choosing
    // it switches the red line's alert off; the other lines keep theirs.
    void handleMenuSwitchesTheAlert()
    {
        QVERIFY(Open());
        TMainForm& form = m_window->form;
        Session& session = m_window->rig.session;
        // A right-click: the press, then the menu.
        const auto rightClick = [&form](int handle) {
            TShape* shape = form.Panel1->HandleShape(handle);
            const QPoint at(5, 5);
            QMouseEvent press(QEvent::MouseButtonPress, at, shape->mapToGlobal(at), Qt::RightButton,
                              Qt::RightButton, Qt::NoModifier);
            QApplication::sendEvent(shape, &press);
            QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, shape->mapToGlobal(at));
            QApplication::sendEvent(shape, &menuEvent);
            return form.HandleMenu();
        };
        QMenu* menu = rightClick(3);
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(!form.Panel1->Dragging()); // the right button's press started no drag
        QCOMPARE(menu->actions().size(), 1);
        QAction* alert = menu->actions().first();
        QCOMPARE(alert->text(), QString("Waarschuw bij doorbreken"));
        QVERIFY(alert->isCheckable());
        QVERIFY(alert->isChecked());

        alert->trigger();
        menu->hide();
        QVERIFY(!session.AlertOn(1));
        QVERIFY(session.AlertOn(0));
        QVERIFY(session.AlertOn(2));

        // The green handle's menu shows the green line's switch; the red one's shows it off.
        QVERIFY(rightClick(0)->actions().first()->isChecked());
        menu->hide();
        QVERIFY(!rightClick(2)->actions().first()->isChecked());
        menu->actions().first()->trigger(); // on again
        menu->hide();
        QVERIFY(session.AlertOn(1));
    }

    // Without a system tray (offscreen has none) the alert is a note at the top of the chart,
    // until it is clicked; a tap hears it too.
    void noteInTheWindow()
    {
        QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
        QVERIFY(Open());
        TMainForm& form = m_window->form;
        QStringList heard;
        DesktopAlerts alerts(form,
                             [&heard](const std::string& text) { heard << QString::fromStdString(text); });
        const std::string text = "De AEX (912,45) is boven de rode lijn (910,20) gekomen.";
        alerts.Notify(text);
        QCOMPARE(heard, QStringList{QString::fromStdString(text)});
        QVERIFY(form.AlertNote->isVisible());
        QCOMPARE(form.AlertNote->text(), QString::fromStdString(text));
        // Over the plot area, inside the window.
        const QRect note(form.AlertNote->mapTo(&form, QPoint(0, 0)), form.AlertNote->size());
        QVERIFY(form.rect().contains(note));
        QVERIFY(note.intersects(
            QRect(form.Panel1->GrafiekPanel->mapTo(&form, QPoint(0, 0)), form.Panel1->GrafiekPanel->size())));
        QTest::mouseClick(form.AlertNote, Qt::LeftButton);
        QVERIFY(!form.AlertNote->isVisible());
    }

private:
    bool Open()
    {
        m_window = std::make_unique<TestSupport::MainWindow>();
        TMainForm& form = m_window->form;
        form.DownloadTimer->stop();
        form.UpdateTimer->stop();
        m_window->rig.session.Series().SetItems(Series());
        form.SeriesChanged();
        form.resize(720, 540);
        form.show();
        return QTest::qWaitForWindowExposed(&form) && QTest::qWaitFor([&] { return form.Panel1->Painted(); });
    }
    std::unique_ptr<TestSupport::MainWindow> m_window;
};

QTEST_MAIN(TestMainFormAlerts)
#include "tst_mainformalerts.moc"
