// Every site the program talks to fails in the same run, each in its own way, over HTTP on loopback:
// the back-fill at loading, the quote download and the update check each end within their bounds,
// the failures are reported, no update is offered, and closing writes every day with its value.
#include "history/HistoryFile.h"
#include "quotes/BackgroundFetcher.h"
#include "quotes/ClosingPrices.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Product.h"
#include "support/SettingsStore.h"
#include "support/Texts.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"
#include "update/VersionList.h"

#include <QElapsedTimer>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

Q_DECLARE_METATYPE(LoopbackReply)

namespace {

// Thursday 7 June 2012, 10:15: trading hours, and the history ends a week before.
constexpr int Today = 41067;

// Longest a step may take: its own bound and some slack for a loaded machine.
constexpr qint64 Slack = 10000;

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

} // namespace

class NetworkFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(QDate(2012, 6, 7), QTime(10, 15)));
    }
    void cleanup() { Support::Clock::Reset(); }

    void allSitesFailAtOnce_data()
    {
        QTest::addColumn<QList<LoopbackReply>>("replies"); // of the list, the quote and the maker site
        QTest::addColumn<QString>("message");

        using Reply = LoopbackReply;
        QTest::newRow("silent servers") << QList<Reply>({Reply::Silent(), Reply::Silent(), Reply::Silent()})
                                        << "Fout 1; Geen internetverbinding";
        QTest::newRow("connections reset")
            << QList<Reply>({Reply::Closed(), Reply::Closed(), Reply::Closed()})
            << "Fout 1; Geen internetverbinding";
        QTest::newRow("garbage") << QList<Reply>({Reply::Page(Garbage(3000, 1)),
                                                  Reply::Page(Garbage(3000, 2)),
                                                  Reply::Page(Garbage(3000, 3))})
                                 << "Fout 3; AEX niet gevonden";
        // The trickles are too slow for a whole page or list to arrive within the bounds.
        QTest::newRow("stalls and trickles")
            << QList<Reply>({Reply::Stall(ClosingList, 7), Reply::Trickling(QuotePage, 400),
                             Reply::Trickling(VersionList, 400)})
            << "Fout 2; Gelezen bestand is te klein";
        QTest::newRow("server errors") << QList<Reply>({Reply::Page("<h1>Internal Server Error</h1>", 500),
                                                        Reply::Page("Not Found", 404),
                                                        Reply::Page("<html>Service unavailable</html>", 503)})
                                       << "Fout 2; Gelezen bestand is te klein";
    }
    void allSitesFailAtOnce()
    {
        QFETCH(QList<LoopbackReply>, replies);
        QFETCH(QString, message);
        LoopbackServer listSite, quoteSite, makerSite;
        listSite.Serve(replies[0]);
        quoteSite.Serve(replies[1]);
        makerSite.Serve(replies[2]);
        Support::OpenSettings()->setValue("Sources/ClosingPricesSite", listSite.Url());
        Support::OpenSettings()->setValue("Sources/QuoteSite", quoteSite.Url());
        History::EntryList stored;
        for (int day = Today - 400; day <= Today - 7; ++day)
            stored.push_back(History::MakeEntry(day, std::to_string(280 + day % 37) + ",25"));
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       QByteArray::fromStdString(History::HistoryFileText(stored))));

        ProgramSettings settings;
        Quotes::BackgroundFetcher fetcher;
        Session session(TestSupport::Facts(), settings, fetcher);
        QStringList reported; // the load message and the status line's time text
        connect(&session, &Session::loadFailed, this, [&](Quotes::BackfillCode code) {
            reported << Quotes::LoadMessageText(code, Support::Language::Dutch).c_str();
        });
        connect(&session, &Session::statusChanged, this,
                [&](const Quotes::StatusLine& line) { reported << line.time.text.c_str(); });
        QElapsedTimer clock;
        clock.start();
        // Loading returns with the file's days shown; the list comes later, within its bound.
        session.Start();
        QVERIFY(session.BackfillRunning());
        QVERIFY(!session.Series().Items().empty());
        QTRY_VERIFY_WITH_TIMEOUT(!session.BackfillRunning(), Session::ListFetchBoundMs + Slack);
        QCOMPARE_LT(clock.restart(), Session::ListFetchBoundMs + Slack);
        QVERIFY(listSite.RequestCount() >= 1);
        QCOMPARE(reported, QStringList{message});

        QVERIFY(session.DownloadDue());
        session.DownloadQuote();
        QVERIFY(session.QuoteRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!session.QuoteRunning(), Session::QuoteFetchBoundMs + Slack);
        QCOMPARE_LT(clock.restart(), Session::QuoteFetchBoundMs + Slack);
        QVERIFY(quoteSite.RequestCount() >= 1);
        QCOMPARE(reported, QStringList({message, Support::TextFor(Support::Text::DownloadFailed,
                                                                  Support::Language::Dutch)}));

        const Update::VersionCheck check =
            Update::ReadVersionList(Support::ProductName, Support::VersionText, makerSite.UrlText());
        QCOMPARE_LT(clock.restart(), Update::VersionListFetchBoundMs + Slack);
        QVERIFY(makerSite.RequestCount() >= 1);
        QVERIFY(check.result != Update::VersionCheckResult::UpdateAvailable);

        QCOMPARE(session.CloseHistory(CloseKind::Unattended), HistorySave::Written);
        const History::ReadHistory written = History::ReadHistoryText(
            TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").toStdString());
        QCOMPARE(written.skippedLines, 0);
        QVERIFY(written.entries.size() >= stored.size());
        QVERIFY(std::equal(stored.begin(), stored.end(), written.entries.begin()));
        QCOMPARE(History::EntryDay(written.entries.back()), Today);
        for (const History::DayEntry& entry : written.entries)
            QVERIFY2(History::EntryDay(entry) <= Today, History::EntryLine(entry).c_str());
    }
};

QTEST_MAIN(NetworkFaultsTest)
#include "tst_networkfaults.moc"
