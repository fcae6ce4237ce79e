// Every site the program talks to fails in the same run, each in its own way: the closing-prices
// back-fill at loading, the quote download and the update check each end within their bounds,
// the user is told what failed, no update is offered, and closing writes a history in which
// every day keeps its value.
#include "app/Forms.h"
#include "app/MainForm.h"
#include "history/HistoryFile.h"
#include "messform/MessageForm.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"
#include "update/VersionsForm.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTextEdit>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

Q_DECLARE_METATYPE(LoopbackReply)

namespace {

// Thursday 7 June 2012, 10:15: trading hours, and the history ends a week before.
constexpr int Today = 41067;
const QDateTime Morning(QDate(2012, 6, 7), QTime(10, 15));

// Longest a step may keep the window busy: its own bound and some slack for a loaded machine.
constexpr qint64 LoadingLimitMs = 15000 + 10000;
constexpr qint64 QuoteLimitMs = 12000 + 10000;
constexpr qint64 UpdateCheckLimitMs = 15000 + 10000;

QByteArray Garbage(int size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random.bounded(256));
    // Landmarks in the wrong places: the readers must not take them for the real thing.
    return bytes + "<HOME;AEX(%)\r\nKoerszicht,,,,\r\n120607: 9.9.9\n" + bytes.left(size / 2);
}

const QByteArray QuotePage = "<html><body><div>Beurs;07-06-12 10:14<a href=\"/\">HOME</a></div>"
                             "<p>AEX 312,45 (+1,20) 0,39%</p></body></html>";
const QByteArray VersionList =
    "Beursklok,Beursklok312.exe,b,800,0\r\nKoerszicht,Koerszicht101.exe,e,1500,0\r\n";
const QByteArray ClosingList = "120601: 301.00\n120604: 302.00\n120605: 303.00\n120606: 304.00\n";

History::EntryList StoredHistory()
{
    History::EntryList entries;
    for (int day = Today - 400; day <= Today - 7; ++day)
        entries.push_back(History::MakeEntry(day, std::to_string(280 + day % 37) + ",25"));
    return entries;
}

void PointSourcesAt(const LoopbackServer& list, const LoopbackServer& quote, const LoopbackServer& maker)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup("Sources");
    settings->setValue("ClosingPricesSite", list.Url());
    settings->setValue("QuoteSite", quote.Url());
    settings->setValue("MakerSite", maker.Url());
}

} // namespace

class NetworkFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(Morning);
    }
    void cleanup()
    {
        Forms::MessageForm = nullptr;
        Forms::VersionsForm = nullptr;
        Support::Clock::Reset();
    }

    void allSitesFailAtOnce_data()
    {
        QTest::addColumn<LoopbackReply>("list");
        QTest::addColumn<LoopbackReply>("quote");
        QTest::addColumn<LoopbackReply>("maker");
        QTest::addColumn<QString>("message");

        QTest::newRow("silent servers") << LoopbackReply::Silent() << LoopbackReply::Silent()
                                        << LoopbackReply::Silent() << "Fout 1; Geen internetverbinding";
        QTest::newRow("connections reset") << LoopbackReply::Closed() << LoopbackReply::Closed()
                                           << LoopbackReply::Closed() << "Fout 1; Geen internetverbinding";
        QTest::newRow("garbage") << LoopbackReply::Page(Garbage(3000, 1))
                                 << LoopbackReply::Page(Garbage(3000, 2))
                                 << LoopbackReply::Page(Garbage(3000, 3)) << "Fout 3; AEX niet gevonden";
        // The trickles are too slow for a whole page or list to arrive within the bounds.
        QTest::newRow("stalls and trickles")
            << LoopbackReply::Stall(ClosingList, 7) << LoopbackReply::Trickling(QuotePage, 400)
            << LoopbackReply::Trickling(VersionList, 400) << "Fout 2; Gelezen bestand is te klein";
        QTest::newRow("server errors") << LoopbackReply::Page("<h1>Internal Server Error</h1>", 500)
                                       << LoopbackReply::Page("Not Found", 404)
                                       << LoopbackReply::Page("<html>Service unavailable</html>", 503)
                                       << "Fout 2; Gelezen bestand is te klein";
    }
    void allSitesFailAtOnce()
    {
        QFETCH(LoopbackReply, list);
        QFETCH(LoopbackReply, quote);
        QFETCH(LoopbackReply, maker);
        QFETCH(QString, message);

        LoopbackServer listSite;
        LoopbackServer quoteSite;
        LoopbackServer makerSite;
        listSite.Serve(list);
        quoteSite.Serve(quote);
        makerSite.Serve(maker);
        PointSourcesAt(listSite, quoteSite, makerSite);
        const History::EntryList stored = StoredHistory();
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       QByteArray::fromStdString(History::HistoryFileText(stored))));

        TMessageForm messages;
        Forms::MessageForm = &messages;
        TVersionsForm versions;
        Forms::VersionsForm = &versions;
        QElapsedTimer clock;
        clock.start();
        TMainForm form;
        QVERIFY2(clock.elapsed() < LoadingLimitMs, QByteArray::number(clock.elapsed()));
        QVERIFY(listSite.RequestCount() >= 1);
        form.show();
        QTRY_VERIFY(messages.isVisible());
        QCOMPARE(messages.MessageMemo->toPlainText(), message);

        clock.restart();
        form.DownloadTimerTimer();
        QVERIFY2(clock.elapsed() < QuoteLimitMs, QByteArray::number(clock.elapsed()));
        QVERIFY(quoteSite.RequestCount() >= 1);
        QCOMPARE(form.TimeLabel->text(), QStringLiteral("Het downloaden van de AEX is niet gelukt."));
        QVERIFY(form.KoersLabel->text().isEmpty());

        clock.restart();
        form.UpdateTimerTimer();
        QVERIFY2(clock.elapsed() < UpdateCheckLimitMs, QByteArray::number(clock.elapsed()));
        QVERIFY(makerSite.RequestCount() >= 1);
        QVERIFY(!versions.isVisible());

        form.close();
        const History::ReadHistory written = History::ReadHistoryText(
            TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").toStdString());
        QCOMPARE(written.skippedLines, 0);
        QVERIFY(written.entries.size() >= stored.size());
        QVERIFY(std::equal(stored.begin(), stored.end(), written.entries.begin()));
        QCOMPARE(History::EntryDay(written.entries.back()), Today);
        for (const std::string& entry : written.entries)
            QVERIFY2(History::EntryDay(entry) <= Today, entry.c_str());
    }
};

QTEST_MAIN(NetworkFaultsTest)
#include "tst_networkfaults.moc"
