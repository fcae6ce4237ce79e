// The main window's back-fill message: shown in the message window over the main window,
// also when loading runs before the message window exists.
#include "app/Forms.h"
#include "app/MainForm.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QTextEdit>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

namespace {

const QString ListPath = QStringLiteral("/Beurs/Slotkoersen/.a/aex-index");

void SetClosingPricesSite(const QString& root)
{
    const auto settings = Support::OpenSettings();
    settings->setValue(QStringLiteral("Sources/ClosingPricesSite"), root);
}

QStringList Items(const History::SeriesModel& series)
{
    QStringList items;
    for (const std::string& item : series.Items())
        items << QString::fromLatin1(item);
    return items;
}

// A monday evening in June 2012, after the close.
const QDateTime MondayEvening(QDate(2012, 6, 11), QTime(21, 0));
const QStringList Stored = {"41063 - 308,00", "41064 - 309,00", "41065 - 310,00"};
const QByteArray ThreeLines = "120605: 310.00\n120606: 311.50\n120607: 312.45\n"; // 45 characters
const QByteArray List = "120604: 309.00\n" + ThreeLines;

} // namespace

class TestClosingPricesMainForm : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(QDate(2026, 2, 11), QTime(12, 0)));
        // Loading at creation reads a good list: it has nothing to show.
        SetClosingPricesSite(m_server.Url());
        m_server.Serve(LoopbackReply::Page(List));
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

    void backfill_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("lastStored");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<bool>("freshCopyAfter");

        QTest::newRow("list read") << List << true << Stored.last() << 0
                                   << QStringList{"41066 - 311,50", "41067 - 312,45"} << false;
        QTest::newRow("list with CR LF") << QByteArray(List).replace("\n", "\r\n") << true << Stored.last()
                                         << 0 << QStringList{"41066 - 311,50", "41067 - 312,45"} << false;
        QTest::newRow("not due: no fetch")
            << List << true << QString("41070 - 312,00") << 0 << QStringList{} << true;
        QTest::newRow("no connection: code 1")
            << List << false << Stored.last() << 1 << QStringList{} << true;
        QTest::newRow("49 characters: code 2") << ThreeLines + "xxx\n"
                                               << true << Stored.last() << 2 << QStringList{} << true;
        QTest::newRow("an error page: code 3")
            << QByteArray("<html><head><title>Niet gevonden</title></head><body></body></html>\n") << true
            << Stored.last() << 3 << QStringList{} << false;
        QTest::newRow("last value 0: code 4, earlier days kept")
            << List + "120608: 0\n"
            << true << Stored.last() << 4 << QStringList{"41066 - 311,50", "41067 - 312,45"} << false;
    }
    void backfill()
    {
        QFETCH(QByteArray, page);
        QFETCH(bool, reachable);
        QFETCH(QString, lastStored);
        QFETCH(int, code);
        QFETCH(QStringList, added);
        QFETCH(bool, freshCopyAfter);

        TMainForm mainForm;
        Support::Clock::Set(MondayEvening);
        History::EntryList stored;
        for (const QString& item : Stored)
            stored.push_back(item.toStdString());
        mainForm.Series->SetItems(stored);
        mainForm.LastStoredEntry = lastStored.toStdString();
        mainForm.FreshHistoryCopy = true;
        m_server.Serve(LoopbackReply::Page(page));
        if (!reachable)
            SetClosingPricesSite(QStringLiteral("http://127.0.0.1:%1/").arg(TestSupport::ClosedPort()));
        // The list is fetched directly, never through the user's proxy.
        qputenv("http_proxy",
                QStringLiteral("http://127.0.0.1:%1/").arg(TestSupport::ClosedPort()).toLatin1());

        const int result = mainForm.BackfillClosingPrices();
        qputenv("http_proxy", QByteArray());

        QCOMPARE(result, code);
        QCOMPARE(Items(*mainForm.Series), Stored + added);
        QCOMPARE(mainForm.FreshHistoryCopy, freshCopyAfter);
        if (reachable && code != 1 && lastStored == Stored.last()) {
            QCOMPARE(m_server.RequestCount(), 1);
            QCOMPARE(m_server.Requests().first().target, ListPath.toLatin1());
        }
        if (lastStored != Stored.last())
            QCOMPARE(m_server.RequestCount(), 0);
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

private:
    LoopbackServer m_server;
};

QTEST_MAIN(TestClosingPricesMainForm)
#include "tst_closingprices_mainform.moc"
