// The session's sources in their order: the back-fill and the quote ask one after the other until
// one gives what is needed, with the days asked in the address, and say which one did; when none
// does, the list's codes and the failed status line stay as they were. Answers in the shapes of
// tests/data/sources, on a machine whose time zone is not Amsterdam's.
#include "quotes/StatusLine.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QSettings>
#include <QtTest>
#include <ctime>

namespace {

QByteArray Fixture(const char* name)
{
    return TestSupport::ReadFile(TestSupport::SourceDir() + "/tests/data/sources/" + name);
}

int Day(int year, int month, int day)
{
    return Support::DayNumber(QDate(year, month, day));
}

// Days from `first` to `last` around `value`, as AEX.dat holds them.
QByteArray StoredDays(int first, int last, int value)
{
    QByteArray text;
    for (int day = first; day <= last; ++day)
        text += QByteArray::number(day) + " - " + QByteArray::number(value + day % 5) + ",25\r\n";
    return text;
}

const QByteArray Challenge = "<!DOCTYPE html><html><head><title>Just a moment...</title></head>"
                             "<body>Checking your browser before accessing the site.</body></html>";
const QByteArray List = "260326: 918.77\n260327: 920.45\n260330: 925.13\n260331: 928.30\n260401: 928.97\n"
                        "260402: 931.40\n";

struct Rig
{
    explicit Rig(const QString& sources, const QString& key)
    {
        QSettings ini = TestSupport::IniFile();
        ini.setValue("Sources/" + key, sources);
        // Every address on a host of its own under .test; the scripted fetcher answers.
        ini.setValue("Source-euronext-csv/Url", "http://euronext.test/csv?startdate={first:yyyy-MM-dd}"
                                                "&enddate={last:yyyy-MM-dd}");
        ini.setValue("Source-yahoo-history/Url",
                     "http://chart.test/AEX?period1={first:epoch}&period2={end:epoch}");
        ini.setValue("Source-yahoo-chart/Url", "http://chart.test/AEX?range=1d");
        ini.setValue("Source-own/Kind", "json-quote");
        ini.setValue("Source-own/Url", "http://own.test/aex");
        ini.setValue("Source-own/ValuePath", "chart.result[0].meta.price");
        ini.setValue("Source-own/UserAgent", "Eigen/2.0");
        ini.setValue("Source-own/Referer", "https://own.test/");
        ini.setValue("Source-own/Header-X-Key", "abc");
        ini.setValue("Sources/QuoteSite", "http://koers.test/");
        ini.setValue("Sources/ClosingPricesSite", "http://slot.test/");
        QObject::connect(&session, &Session::loadFailed,
                         [this](Quotes::BackfillCode code) { codes << int(code); });
        QObject::connect(&session, &Session::statusChanged, [this](const Quotes::StatusLine& line) {
            status = QString::fromLatin1(line.time.text);
        });
    }
    QStringList Urls() const
    {
        QStringList urls;
        for (const Quotes::FetchRequest& request : fetcher.Requests())
            urls << QString::fromStdString(request.url);
        return urls;
    }
    bool Shows(const QByteArray& entry) const
    {
        const auto& items = session.Series().Items();
        return std::find(items.begin(), items.end(), History::ReadEntryLine(entry.toStdString())) !=
               items.end();
    }
    TestSupport::ScriptedFetcher fetcher;
    ProgramSettings settings;
    Session session{TestSupport::Facts(), settings, fetcher};
    QList<int> codes;
    QString status;
};

} // namespace

class TestSessionSources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        qputenv("TZ", "America/New_York");
        tzset();
    }
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::SetRegional(Support::RegionalSettings::Dutch());
    }
    void cleanup() { Support::Clock::Reset(); }

    // Friday 3 April 2026 at 21:00, the history up to 25 March: the back-fill asks from the newest
    // day it keeps (the ten before the newest value are derived again: 15 March) to 2 April, as
    // 3 April is Good Friday, a closing day of the exchange.
    void backfill_data()
    {
        QTest::addColumn<QString>("sources");
        QTest::addColumn<QList<QByteArray>>("answers"); // in the order the sources are asked
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("source"); // that gave the closes; empty: none
        QTest::addColumn<int>("code");       // the load message's; 0: none

        const QString all = "euronext-csv,yahoo-history,list";
        QTest::newRow("the exchange's download")
            << all << QList<QByteArray>{Fixture("euronext-aex.csv")} << 1 << "euronext-csv" << 0;
        QTest::newRow("a bot check, then the chart's history")
            << all << QList<QByteArray>{Challenge, Fixture("yahoo-chart-history.json")} << 2
            << "yahoo-history" << 0;
        QTest::newRow("another fund, too many requests, then the list")
            << all
            << QList<QByteArray>{Fixture("euronext-wrong-isin.csv"), Fixture("yahoo-too-many-requests.txt"),
                                 List}
            << 3 << "list" << 0;
        QTest::newRow("an error object, and the list's sources only")
            << "yahoo-history,list" << QList<QByteArray>{Fixture("yahoo-chart-error.json"), List} << 2
            << "list" << 0;
        QTest::newRow("nothing came: code 1") << all << QList<QByteArray>{} << 3 << "" << 1;
        QTest::newRow("answers that are no list: code 3")
            << all << QList<QByteArray>{Challenge, Challenge, Challenge} << 3 << "" << 3;
        QTest::newRow("the list too short: its own code 2")
            << all << QList<QByteArray>{Challenge, QByteArray(), "260402: 931.40\n"} << 3 << "" << 2;
        QTest::newRow("the others answered, the list did not: code 3")
            << all
            << QList<QByteArray>{Fixture("euronext-wrong-isin.csv"), Fixture("yahoo-chart-error.json"),
                                 QByteArray()}
            << 3 << "" << 3;
        QTest::newRow("no rows for the days asked while days lack their close: the next source")
            << all
            << QList<QByteArray>{Fixture("euronext-header-only.csv"), Fixture("yahoo-chart-history.json")}
            << 2 << "yahoo-history" << 0;
        // 5 January 2026, 09:00 in Amsterdam: a close far before the days asked is no business
        // of this answer (the stored day stays, below).
        QTest::newRow("a chart with a close long before the days asked")
            << "yahoo-history"
            << QList<QByteArray>{Fixture("yahoo-chart-history.json")
                                     .replace("\"timestamp\":[", "\"timestamp\":[1767600000,")
                                     .replace("\"close\":[", "\"close\":[800.0,")}
            << 1 << "yahoo-history" << 0;
        QTest::newRow("today's close, after 20:00")
            << "list" << QList<QByteArray>{List + "260403:aex-index 933.10\n"} << 1 << "list" << 0;
    }
    void backfill()
    {
        QFETCH(QString, sources);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QString, source);
        QFETCH(int, code);
        Support::Clock::Set(QDateTime(QDate(2026, 4, 3), QTime(21, 0)));
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       StoredDays(Day(2026, 1, 2), Day(2026, 3, 25), 915)));
        Rig rig(sources, "ClosingPricesSources");
        for (const QByteArray& answer : answers)
            rig.fetcher.Answer(answer.toStdString());
        rig.fetcher.Settle(&Session::Start, rig.session);

        QTEST(int(rig.fetcher.Requests().size()), "asked");
        QCOMPARE(QString::fromStdString(rig.session.BackfillSourceName()), source);
        QCOMPARE(rig.codes, code ? QList<int>{code} : QList<int>());
        const QStringList urls = rig.Urls();
        if (urls.size() == 3 && sources == "euronext-csv,yahoo-history,list") {
            QCOMPARE(urls.value(0), "http://euronext.test/csv?startdate=2026-03-15&enddate=2026-04-02");
            // Midnight in Amsterdam of 15 March (winter time) and of 3 April (summer time).
            QCOMPARE(
                urls.value(1),
                "http://chart.test/AEX?period1=" +
                    QString::number(QDateTime(QDate(2026, 3, 14), QTime(23, 0), Qt::UTC).toSecsSinceEpoch()) +
                    "&period2=" +
                    QString::number(QDateTime(QDate(2026, 4, 2), QTime(22, 0), Qt::UTC).toSecsSinceEpoch()));
            QCOMPARE(urls.value(2), "http://slot.test/Beurs/Slotkoersen/.a/aex-index");
        }
        if (source.isEmpty())
            return;
        // The closes of 27 March and 2 April, whichever source gave them; the days between are
        // taken as the history's rules take them.
        QVERIFY(rig.Shows(QByteArray::number(Day(2026, 3, 27)) + " - 920,45"));
        QVERIFY(rig.Shows(QByteArray::number(Day(2026, 4, 2)) + " - 931,40"));
        QVERIFY(rig.Shows(StoredDays(Day(2026, 1, 5), Day(2026, 1, 5), 915).chopped(2)));
        if (answers.last().contains("260403"))
            QVERIFY(rig.Shows(QByteArray::number(Day(2026, 4, 3)) + " - 933,10"));
    }

    // A source with no rows for the days asked, when the history lacks none of them, has
    // answered completely: no other source is asked and nothing is reported.
    void noRowsWhenComplete()
    {
        Support::Clock::Set(QDateTime(QDate(2026, 4, 3), QTime(21, 0)));
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       StoredDays(Day(2026, 1, 2), Day(2026, 4, 3), 915)));
        Rig rig("euronext-csv,list", "ClosingPricesSources");
        rig.fetcher.Answer(Fixture("euronext-header-only.csv").toStdString());
        rig.fetcher.Settle(&Session::Start, rig.session);
        QCOMPARE(int(rig.fetcher.Requests().size()), 1);
        QCOMPARE(rig.session.BackfillSourceName(), std::string("euronext-csv"));
        QVERIFY(rig.codes.isEmpty());
        QVERIFY(!rig.session.BackfillDue());
    }

    // Thursday 15 January 2026 at 18:00, the history up to the day before around 1005.
    void quote_data()
    {
        QTest::addColumn<QString>("sources");
        QTest::addColumn<QList<QByteArray>>("answers");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("status"); // the status line's time label

        const QByteArray page = "<html><body><div>Beurs;15-01-26 17:35<a href=\"/\">HOME</a></div>"
                                "<p>AEX 1010,00 (+4,90) 0,49%</p></body></html>";
        const QString failed = "Het downloaden van de AEX is niet gelukt.";
        QTest::newRow("the chart") << "yahoo-chart,page"
                                   << QList<QByteArray>{Fixture("yahoo-chart-quote.json")} << 1
                                   << "yahoo-chart"
                                   << "15-01-2026 18:00";
        QTest::newRow("too many requests, then the page")
            << "yahoo-chart,page" << QList<QByteArray>{Fixture("yahoo-too-many-requests.txt"), page} << 2
            << "page"
            << "15-01-2026 18:00";
        QTest::newRow("a bot check, and the page fails")
            << "yahoo-chart,page" << QList<QByteArray>{Challenge, QByteArray()} << 2 << "" << failed;
        QTest::newRow("a group the user wrote: its value path, agent and headers")
            << "own,page"
            << QList<QByteArray>{Fixture("yahoo-chart-quote.json")
                                     .replace("\"regularMarketPrice\":1012.34",
                                              "\"regularMarketPrice\":1,\"price\":1011.11")}
            << 1 << "own"
            << "15-01-2026 18:00";
    }
    void quote()
    {
        QFETCH(QString, sources);
        QFETCH(QList<QByteArray>, answers);
        QFETCH(QString, source);
        Support::Clock::Set(QDateTime(QDate(2026, 1, 15), QTime(18, 0)));
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       StoredDays(Day(2025, 12, 1), Day(2026, 1, 14), 1003)));
        Rig rig(sources, "QuoteSources");
        rig.session.Start(); // no back-fill is due before 20:00 with yesterday stored
        rig.fetcher.Settle();
        const std::size_t before = rig.fetcher.Requests().size();
        for (const QByteArray& answer : answers)
            rig.fetcher.Answer(answer.toStdString());
        rig.fetcher.Settle(&Session::DownloadQuote, rig.session);

        QTEST(int(rig.fetcher.Requests().size() - before), "asked");
        QCOMPARE(QString::fromStdString(rig.session.QuoteSourceName()), source);
        QTEST(rig.status, "status");
        QVERIFY(!rig.session.Busy());
        QCOMPARE(rig.session.Retry().failures, source.isEmpty() ? 1 : 0);
        if (source == "own") {
            const Quotes::FetchRequest& request = rig.fetcher.Requests().back();
            QCOMPARE(request.url, std::string("http://own.test/aex"));
            QCOMPARE(request.options.userAgent, std::string("Eigen/2.0"));
            QVERIFY(!request.options.cutPiecesAtZero); // the answer is read whole, or not at all
            QVERIFY(std::count(request.options.headers.begin(), request.options.headers.end(),
                               "Referer: https://own.test/") == 1);
            QVERIFY(std::count(request.options.headers.begin(), request.options.headers.end(),
                               "X-Key: abc") == 1);
            QCOMPARE(rig.session.Quote().value, std::string("1011,11"));
        }
        if (source == "yahoo-chart") {
            // In Amsterdam time, whatever the machine's zone.
            QCOMPARE(rig.session.Quote().time, std::string("17:35"));
            QCOMPARE(rig.session.Quote().value, std::string("1012,34"));
            QCOMPARE(rig.session.Quote().change, std::string("(+7,24)"));
            QCOMPARE(rig.session.Quote().percent, std::string("0,72%"));
        }
    }
};

QTEST_GUILESS_MAIN(TestSessionSources)
#include "tst_sessionsources.moc"
