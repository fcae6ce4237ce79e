// The main window's part in the history: the list on the right shows the session's series with
// today's entry selected and centred, the day count box follows and drives the session, a failed
// back-fill's message reaches the message window over the main window, and the question when the
// history cannot be saved.
#include "HistoryTestSupport.h"
#include "app/SaveFailureBox.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <optional>

using namespace History;

namespace {
const QDate TodayDate(2026, 2, 20);
const int Today = Support::DayNumber(TodayDate);

QString HistoryPath()
{
    return TestSupport::DataFolder() + "AEX.dat";
}

// The list shows the session's series with today's entry selected, and the quote schedule is
// tested again after one second.
void VerifyList(const TestSupport::MainFormRig& rig)
{
    const TMainForm& form = rig.form;
    QCOMPARE(form.ListBox->model(), &rig.session.Series());
    const int row = form.ListBox->currentIndex().row();
    QCOMPARE(EntryDay(rig.session.Series().At(row)), Today);
    QVERIFY(form.ListBox->selectionModel()->isRowSelected(row, {}));
    QVERIFY(form.DownloadTimer->isActive());
    QCOMPARE(form.DownloadTimer->interval(), 1000);
}
} // namespace

class MainFormHistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(TodayDate, QTime(12, 0)));
        Support::SetRegional(Support::RegionalSettings::Dutch());
    }
    void cleanup() { Support::Clock::Reset(); }

    // A first start on a history ten months old: the day count box shows the count the session
    // reached back to and changes it; the list keeps today's entry selected, centred after
    // loading; closing stores the count.
    void listAndDayCount()
    {
        QVERIFY(TestSupport::WriteFile(HistoryPath(), FileText(Consecutive(Today - 700, Today - 301))));
        TestSupport::ScriptedFetcher fetcher;
        TestSupport::MainFormRig rig(fetcher);
        TMainForm& form = rig.form;
        QCOMPARE(form.SpinEdit->value(), 515);
        VerifyList(rig);

        form.resize(720, 540);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.Panel1->Painted());
        // Centred once the list is laid out (its items are 18 pixels high).
        QTRY_VERIFY(qAbs(form.ListBox->visualRect(form.ListBox->currentIndex()).center().y() -
                         form.ListBox->viewport()->height() / 2) <= 18);

        form.SpinEdit->setValue(35);
        QCOMPARE(rig.session.DayCount(), 35);
        QCOMPARE(rig.session.Series().Count(), 35);
        VerifyList(rig);
        // Today's row lies too near the top to be centred: it is in view.
        QTRY_VERIFY(form.ListBox->viewport()->rect().contains(
            form.ListBox->visualRect(form.ListBox->currentIndex())));

        form.FormClose();
        QCOMPARE(QSettings(TestSupport::IniPath(), QSettings::IniFormat).value("Defaults/Dagen").toInt(), 35);
    }

    // The question as the user sees it, in Dutch; Escape does not throw the days away.
    void saveFailureBox_data()
    {
        QTest::addColumn<QString>("press"); // a button's text, or "Escape"
        QTest::addColumn<int>("answer");
        QTest::newRow("Opnieuw proberen") << "Opnieuw proberen" << int(SaveFailureAnswer::Retry);
        QTest::newRow("Sluiten zonder opslaan")
            << "Sluiten zonder opslaan" << int(SaveFailureAnswer::CloseWithoutSaving);
        QTest::newRow("Escape") << "Escape" << int(SaveFailureAnswer::Retry);
    }
    void saveFailureBox()
    {
        QFETCH(QString, press);
        QFETCH(int, answer);
        QString text;
        QStringList buttons;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            text = box->text();
            QAbstractButton* pressed = nullptr; // none for "Escape"
            for (QAbstractButton* button : box->buttons()) {
                buttons << button->text();
                if (button->text() == press)
                    pressed = button;
            }
            if (pressed)
                pressed->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(int(AskSaveFailureInBox(nullptr, "/home/anna/.local/share/Koerszicht/AEX.dat")), answer);
        QVERIFY2(text.startsWith("De koersgeschiedenis kon niet worden opgeslagen in "
                                 "/home/anna/.local/share/Koerszicht/AEX.dat."),
                 qPrintable(text));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Opnieuw proberen", "Sluiten zonder opslaan"}));
    }

    // A failed back-fill while the window is created: the message goes out once the event loop
    // runs, centred over the main window as it is then; nothing when the main window is gone by
    // then. (Each code's text: tst_closingprices; the codes, none when the list was read: the
    // session.)
    void loadMessage_data()
    {
        QTest::addColumn<bool>("closed"); // the main window is closed before the event loop runs
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << false << "Fout 1; Geen internetverbinding";
        QTest::newRow("main window closed before the message") << true << QString();
    }
    void loadMessage()
    {
        QFETCH(bool, closed);
        QFETCH(QString, text);
        TestSupport::ScriptedFetcher fetcher; // no connection
        QList<std::pair<QRect, QString>> shown;
        MainFormLinks links;
        links.showMessage = [&shown](int top, int left, int height, int width, const std::string& message,
                                     int ms) {
            QCOMPARE(ms, 5000); // hidden again after five seconds
            shown.append({QRect(left, top, width, height), QString::fromStdString(message)});
        };
        std::optional<TestSupport::MainFormRig> rig(std::in_place, fetcher, Support::Language::Dutch, links);
        QCOMPARE(int(fetcher.Requests().size()), 1); // no history: the back-fill is due
        QVERIFY(shown.isEmpty());
        if (closed) {
            rig.reset();
        } else {
            rig->form.setGeometry(120, 60, 801, 600);
            rig->form.show();
        }
        if (text.isEmpty()) {
            QTest::qWait(100);
            QVERIFY(shown.isEmpty());
            return;
        }
        QTRY_COMPARE(shown.size(), 1);
        QCOMPARE(shown.first().second, text);
        QCOMPARE(shown.first().first, rig->form.frameGeometry());
    }
};

QTEST_MAIN(MainFormHistoryTest)
#include "tst_mainformhistory.moc"
