// The main window's creation, layout and closing, and the settings that persist between runs.
#include "app/AppIcon.h"
#include "app/FirstPaint.h"
#include "app/MainForm.h"
#include "app/StatusLineLayout.h"
#include "quotes/StatusLine.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

// The middle of the spin box's up or down arrow, where a user clicks.
QPoint ArrowCentre(QSpinBox* spin, QStyle::SubControl arrow)
{
    QStyleOptionSpinBox option;
    option.initFrom(spin);
    option.frame = spin->hasFrame();
    option.buttonSymbols = spin->buttonSymbols();
    option.subControls =
        QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    return spin->style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, spin).center();
}
} // namespace

Q_DECLARE_METATYPE(Support::Language)

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
        Support::Clock::Set(QDateTime(QDate(2026, 2, 11), QTime(12, 0)));
    }
    void cleanup() { Support::Clock::Reset(); }

    // What waits for the window (the first fetches, the busy cursor) runs once, after its first
    // paint and not before.
    void afterFirstPaint()
    {
        QWidget window;
        int runs = 0;
        AfterFirstPaint(window, [&runs] { ++runs; });
        QTest::qWait(20);
        QCOMPARE(runs, 0);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(runs, 1);
        window.repaint();
        QTest::qWait(20);
        QCOMPARE(runs, 1);
    }

    // The program's icon is painted at the size asked for (sharp between the sizes it offers the
    // window system), and greyed as every icon when disabled.
    void programIcon()
    {
        const QIcon icon = AppIcon();
        for (int side : {16, 20})
            QCOMPARE(icon.pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied),
                     AppArtworkImage(side));
        QVERIFY(icon.pixmap(16, QIcon::Disabled).toImage() != icon.pixmap(16).toImage());
    }

    void firstStartDefaults_data()
    {
        QTest::addColumn<Support::Language>("language");
        QTest::addColumn<QString>("aboutHint");
        QTest::newRow("Dutch") << Support::Language::Dutch << "Over...";
        QTest::newRow("English") << Support::Language::English << "About...";
    }
    void firstStartDefaults()
    {
        QFETCH(Support::Language, language);
        TestSupport::MainWindow window(language);
        TMainForm& form = window.form;
        QCOMPARE(form.pos(), QPoint(1, 1));
        QCOMPARE(form.size(), QSize(720, 540));
        QCOMPARE(form.SpinEdit->value(), 200);
        QTEST(form.AboutButton->toolTip(), "aboutHint");
        QCOMPARE(form.windowTitle(), QString("Koerszicht, versie 1.00d - [AEX-Index]"));
        QVERIFY(window.rig.session.Created());
        QVERIFY(!form.Panel1->Painted());
        QCOMPARE(form.SpinEdit->singleStep(), 7);
        // The chart needs 33 entries; the whole shipped history since 1983 fits.
        QCOMPARE(form.SpinEdit->minimum(), 35);
        QCOMPARE(form.SpinEdit->maximum(), 20000);
        // The update check waits ten seconds, once.
        QVERIFY(form.UpdateTimer->isActive());
        QCOMPARE(form.UpdateTimer->interval(), 10000);
        form.UpdateTimerTimer();
        QVERIFY(!form.UpdateTimer->isActive());
    }

    // The day count's text is never selected: after a click on an arrow the next key press adds
    // a digit instead of replacing the count.
    void spinBoxTextIsNotSelected_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("value");     // after the action
        QTest::addColumn<QString>("typed"); // the text after typing "1"
        QTest::newRow("click on the up arrow") << "up arrow" << 207 << "2071";
        QTest::newRow("click on the down arrow") << "down arrow" << 193 << "1931";
        QTest::newRow("two clicks on the up arrow") << "up arrow twice" << 214 << "2141";
        QTest::newRow("up key") << "up key" << 207 << "2071";
        QTest::newRow("page down key: ten steps") << "page down key" << 130 << "1301";
        QTest::newRow("entering with the Tab key") << "tab" << 200 << "2001";
    }
    void spinBoxTextIsNotSelected()
    {
        QFETCH(QString, action);
        QFETCH(int, value);
        QFETCH(QString, typed);
        TestSupport::StoreDefaults({{"Dagen", 200}});
        TestSupport::MainWindow window;
        TMainForm& form = window.form;
        form.DownloadTimer->stop();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSpinBox* spin = form.SpinEdit;
        QLineEdit* edit = spin->findChild<QLineEdit*>();
        QVERIFY(edit);
        if (action.endsWith("arrow") || action == "up arrow twice") {
            const QPoint at =
                ArrowCentre(spin, action.startsWith("up") ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown);
            QTest::mouseClick(spin, Qt::LeftButton, {}, at);
            if (action.endsWith("twice"))
                QTest::mouseClick(spin, Qt::LeftButton, {}, at, 300);
        } else if (action == "up key") {
            QTest::keyClick(spin, Qt::Key_Up);
        } else if (action == "page down key") {
            QTest::keyClick(spin, Qt::Key_PageDown);
        } else {
            form.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&form));
            form.ListBox->setFocus();
            QTRY_VERIFY(form.ListBox->hasFocus());
            spin->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(spin->hasFocus());
        }
        QCOMPARE(spin->value(), value);
        QVERIFY2(!edit->hasSelectedText(), qPrintable(edit->selectedText()));
        QTest::keyClick(spin, Qt::Key_1);
        QCOMPARE(edit->text(), typed);
        QCOMPARE(spin->value(), typed.toInt());
    }

    // A resize gives each status text still at "-" its piece of "De beurs is gesloten" (all three
    // when the window is first shown) and leaves the others as they are.
    void resizeFillsTheEmptyStatusTexts()
    {
        TestSupport::MainWindow window;
        TMainForm& form = window.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.AEXLabel->text(), QString("De beurs "));
        form.resize(900, 600);
        QCOMPARE(form.AEXLabel->text(), QString("De beurs "));
        QCOMPARE(form.KoersLabel->text(), QString("is "));
        QCOMPARE(form.TimeLabel->text(), QString("gesloten"));
        // The day count and the About button stay at the right edge of the top panel.
        QCOMPARE(form.AboutButton->x(), form.TopPanel->width() - form.AboutButton->width() - 10);
        QCOMPARE(form.SpinEdit->x(), form.AboutButton->x() - form.SpinEdit->width() - 10);
        QCOMPARE(form.DagenLabel->x(), form.SpinEdit->x() - form.DagenLabel->width() - 5);

        form.AEXLabel->setText("AEX: ");
        form.KoersLabel->setText("-");
        form.TimeLabel->setText("Het downloaden van de AEX is niet gelukt.");
        form.FormResize();
        QCOMPARE(form.AEXLabel->text(), QString("AEX: "));
        QCOMPARE(form.KoersLabel->text(), QString("is "));
        QCOMPARE(form.TimeLabel->text(), QString("Het downloaden van de AEX is niet gelukt."));
    }

    void statusLineLayout_data()
    {
        QTest::addColumn<QList<int>>("widths"); // AEXLabel, KoersLabel, TimeLabel
        QTest::addColumn<int>("dayCountLeft");
        QTest::addColumn<QList<int>>("places"); // left and width of each
        // 568: the chart panel of a 720 pixels wide window.
        QTest::newRow("fits: centred over the chart panel")
            << QList<int>{40, 100, 150} << 488 << QList<int>{139, 40, 179, 100, 279, 150};
        QTest::newRow("a failed download")
            << QList<int>{0, 0, 370} << 488 << QList<int>{99, 0, 99, 0, 99, 370};
        QTest::newRow("ends 10 pixels before Aantal dagen")
            << QList<int>{50, 200, 168} << 488 << QList<int>{60, 50, 110, 200, 310, 168};
        QTest::newRow("would run over Aantal dagen: moved left, whole")
            << QList<int>{45, 200, 200} << 488 << QList<int>{33, 45, 78, 200, 278, 200};
        QTest::newRow("too long: the time is cut")
            << QList<int>{45, 250, 250} << 488 << QList<int>{5, 45, 50, 250, 300, 178};
        QTest::newRow("far too long: the value is cut too, the time gone")
            << QList<int>{45, 500, 250} << 488 << QList<int>{5, 45, 50, 428, 478, 0};
        QTest::newRow("no room at all") << QList<int>{45, 200, 200} << 10 << QList<int>{5, 0, 5, 0, 5, 0};
    }
    void statusLineLayout()
    {
        QFETCH(QList<int>, widths);
        QFETCH(int, dayCountLeft);
        QFETCH(QList<int>, places);
        const auto laidOut = LayOutStatusLine({widths[0], widths[1], widths[2]}, 568, dayCountLeft);
        QList<int> found;
        for (const StatusPlace& place : laidOut)
            found << place.left << place.width;
        QCOMPARE(found, places);
    }

    // A long quote stops before "Aantal dagen", moved left (where it is cut instead:
    // statusLineLayout), and a wider window shows the whole line centred again.
    void longQuoteStopsBeforeDagenLabel()
    {
        const QByteArray value = "1.012,34 (+12,34) 1,23% ";
        TestSupport::MainWindow window;
        TMainForm& form = window.form;
        form.DownloadTimer->stop();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString time = "09-12-2026 17:35:00";
        form.ShowStatusLine({{"AEX: ", std::nullopt},
                             {value.toStdString(), std::nullopt},
                             {time.toStdString(), std::nullopt}});
        QCOMPARE(form.KoersLabel->text(), QString::fromLatin1(value));
        QCOMPARE(form.TimeLabel->text(), time);
        const QRect dagen = form.DagenLabel->geometry();
        for (const QLabel* label : {form.AEXLabel, form.KoersLabel, form.TimeLabel})
            QCOMPARE_LT(label->geometry().right(), dagen.left() - 9);
        QCOMPARE(form.KoersLabel->width(), form.KoersLabel->sizeHint().width());
        QCOMPARE(form.TimeLabel->width(), form.TimeLabel->sizeHint().width());
        QCOMPARE(form.KoersLabel->x(), form.AEXLabel->x() + form.AEXLabel->width());
        QCOMPARE(form.TimeLabel->x(), form.KoersLabel->x() + form.KoersLabel->width());

        form.resize(1280, 600);
        const int group = form.AEXLabel->width() + form.KoersLabel->width() + form.TimeLabel->width();
        QCOMPARE(form.TimeLabel->width(), form.TimeLabel->sizeHint().width());
        QCOMPARE(form.AEXLabel->x(), (form.Panel1->width() - group) / 2);
    }

    // The next window opens where the last one closed, with its day count (the stored values as
    // they are read, bounds included: tst_programsettings). A second close stores nothing.
    void closingStoresAndRestartRestores()
    {
        {
            TestSupport::MainWindow window;
            TMainForm& form = window.form;
            form.move(33, 44);
            form.resize(900, 650);
            form.SpinEdit->setValue(228);
            form.close();
            QCOMPARE(TestSupport::IniFile().value("Defaults/Dagen").toInt(), 228);
            Support::OpenSettings()->setValue("Defaults/Dagen", 77);
            form.close();
        }
        QSettings ini = TestSupport::IniFile();
        ini.beginGroup("Defaults");
        QCOMPARE(ini.value("Top").toInt(), 44);
        QCOMPARE(ini.value("Left").toInt(), 33);
        QCOMPARE(ini.value("Width").toInt(), 900);
        QCOMPARE(ini.value("Height").toInt(), 650);
        QCOMPARE(ini.value("Dagen").toInt(), 77);
        ini.endGroup();
        ini.beginGroup("Sources");
        QVERIFY(ini.value("QuoteSite").toString().startsWith("http://127.0.0.1:"));

        TestSupport::MainWindow second;
        TMainForm& again = second.form;
        QCOMPARE(again.pos(), QPoint(33, 44));
        QCOMPARE(again.size(), QSize(900, 650));
        QCOMPARE(again.SpinEdit->value(), 77);
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
