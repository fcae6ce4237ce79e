// The main window's back-fill message: shown in the message window over the main window,
// also when loading runs before the message window exists.
#include "app/Forms.h"
#include "app/MainForm.h"
#include "support/Clock.h"
#include "testsupport/TestSupport.h"

#include <QTextEdit>
#include <QtTest>

class TestClosingPricesMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(QDate(2026, 2, 11), QTime(12, 0)));
    }
    void cleanup()
    {
        Forms::MessageForm = nullptr;
        Support::Clock::Reset();
    }

    void loadMessage_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");

        QTest::newRow("0: nothing") << 0 << QString();
        QTest::newRow("1") << 1 << QStringLiteral("Fout 1; Geen internetverbinding");
        QTest::newRow("2") << 2 << QStringLiteral("Fout 2; Gelezen bestand is te klein");
        QTest::newRow("3") << 3 << QStringLiteral("Fout 3; AEX niet gevonden");
        QTest::newRow("4") << 4 << QStringLiteral("Fout 4; AEX-Koers = 0,0");
    }
    // Loading calls ShowLoadMessage while the main window is still being created: the message
    // window does not exist yet. The message appears once the event loop runs, centred over the
    // main window as it is then.
    void loadMessage()
    {
        QFETCH(int, code);
        QFETCH(QString, text);

        TMainForm mainForm;
        mainForm.setGeometry(100, 50, 825, 563);
        Forms::MessageForm = nullptr;
        mainForm.ShowLoadMessage(code);

        TMessageForm messageForm;
        Forms::MessageForm = &messageForm;
        mainForm.setGeometry(120, 60, 801, 600);
        mainForm.show();
        QVERIFY(!messageForm.isVisible());

        if (text.isEmpty()) {
            QTest::qWait(100);
            QVERIFY(!messageForm.isVisible());
            return;
        }
        QTRY_VERIFY(messageForm.isVisible());
        QCOMPARE(messageForm.MessageMemo->toPlainText(), text);
        QCOMPARE(messageForm.Timer->interval(), 5000);
        const QRect area = mainForm.frameGeometry();
        QCOMPARE(messageForm.geometry().center().x() - area.center().x(), 0);
        QVERIFY(qAbs(messageForm.geometry().center().y() - area.center().y()) <= 1);
        QCOMPARE(messageForm.pos(),
                 QPoint(area.left() + (area.width() - 547) / 2, area.top() + (area.height() - 83) / 2));
    }

    void mainWindowClosedBeforeTheMessage()
    {
        TMessageForm messageForm;
        {
            TMainForm mainForm;
            mainForm.ShowLoadMessage(1);
        }
        Forms::MessageForm = &messageForm;
        QTest::qWait(100);
        QVERIFY(!messageForm.isVisible());
    }
};

QTEST_MAIN(TestClosingPricesMainForm)
#include "tst_closingprices_mainform.moc"
