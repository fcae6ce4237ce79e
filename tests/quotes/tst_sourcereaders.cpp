// The readers of the chart answer and the historical-data download: which failure each kind of
// answer gives, the quote pieces in Amsterdam time whatever the machine's zone, and the closes
// ascending, one a day, in the form the closing-price rules take.
// The sources' addresses too: a template's variables filled in for the days asked, also in
// Amsterdam time, and a template that cannot be filled refused.
#include "quotes/QuoteSources.h"
#include "quotes/SourceReaders.h"
#include "support/Clock.h"
#include "support/Regional.h"
#include "testsupport/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <ctime>

using namespace Quotes;

Q_DECLARE_METATYPE(SourceFailure)

namespace {

QByteArray Fixture(const char* name)
{
    const QByteArray contents =
        TestSupport::ReadFile(TestSupport::SourceDir() + QStringLiteral("/tests/data/sources/") + name);
    if (contents.isEmpty())
        qFatal("missing fixture %s", name);
    return contents;
}

FetchResult Fetched(const QByteArray& body, int status = 200)
{
    FetchResult fetched;
    fetched.body = body.toStdString();
    fetched.status = status;
    fetched.ending = FetchEnding::Complete;
    return fetched;
}

// A chart answer with a quote; an empty text leaves the field out.
QByteArray ChartQuote(const QByteArray& value, const QByteArray& time, const QByteArray& previous,
                      const QByteArray& symbol = "\"^AEX\"")
{
    QByteArrayList fields;
    if (!symbol.isEmpty())
        fields << "\"symbol\":" + symbol;
    if (!value.isEmpty())
        fields << "\"regularMarketPrice\":" + value;
    if (!time.isEmpty())
        fields << "\"regularMarketTime\":" + time;
    if (!previous.isEmpty())
        fields << "\"chartPreviousClose\":" + previous;
    return "{\"chart\":{\"result\":[{\"meta\":{" + fields.join(',') + "}}],\"error\":null}}";
}

// A chart answer with a series.
QByteArray ChartSeries(const QByteArray& timestamps, const QByteArray& closes,
                       const QByteArray& symbol = "^AEX")
{
    return "{\"chart\":{\"result\":[{\"meta\":{\"symbol\":\"" + symbol + "\"},\"timestamp\":[" + timestamps +
           "],\"indicators\":{\"quote\":[{\"close\":[" + closes + "]}]}}],\"error\":null}}";
}

QStringList Texts(const std::vector<ListedClose>& closes)
{
    QStringList texts;
    for (const ListedClose& close : closes)
        texts << QString::number(close.day) + ' ' + QString::fromStdString(close.value);
    return texts;
}

int Day(int year, int month, int day)
{
    return Support::DayNumber(QDate(year, month, day));
}
QString Epoch(const QDateTime& utc)
{
    return QString::number(utc.toSecsSinceEpoch());
}

const QByteArray Document = R"({"a":{"b":[{"c":6},{"c":7}]},"m":[[1],[3]],"n":null})";

// 15 January 2026 17:35 and 15 July 2026 10:15 in Amsterdam.
constexpr const char* WinterAfterClose = "1768494900";
constexpr const char* SummerMorning = "1784103300";

// The days of the fixtures' week, 26 March to 2 April 2026, across the change to summer time.
const QStringList FixtureWeek = {"46107 918.77", "46108 920.45", "46111 925.13",
                                 "46112 928.30", "46113 928.97", "46114 931.40"};

} // namespace

class TestSourceReaders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        Support::SetRegional(Support::RegionalSettings::Dutch());
        // The machine's zone is not the exchange's: every day and time must come from the latter.
        // (A Windows program takes its zone from the system, not from TZ: there the rows run in the
        // machine's own zone.)
#ifndef Q_OS_WIN
        qputenv("TZ", "America/New_York");
        tzset();
        QCOMPARE(QDateTime(QDate(2026, 1, 15), QTime(12, 0)).offsetFromUtc(), -5 * 3600);
#endif
    }

    void jsonAt_data()
    {
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QJsonValue>("value");

        const QJsonValue missing(QJsonValue::Undefined);
        QTest::newRow("keys and indexes") << QByteArray("a.b[1].c") << QJsonValue(7);
        QTest::newRow("two indexes in a row") << QByteArray("m[1][0]") << QJsonValue(3);
        QTest::newRow("a null is there") << QByteArray("n") << QJsonValue(QJsonValue::Null);
        QTest::newRow("the empty path is the root")
            << QByteArray() << QJsonValue(QJsonDocument::fromJson(Document).object());
        QTest::newRow("a key not there") << QByteArray("a.x") << missing;
        QTest::newRow("an index past the end") << QByteArray("a.b[2]") << missing;
        QTest::newRow("an index into an object") << QByteArray("a[0]") << missing;
        QTest::newRow("a key into an array") << QByteArray("a.b.c") << missing;
        QTest::newRow("no digits in the brackets") << QByteArray("a.b[x]") << missing;
        QTest::newRow("an unclosed bracket") << QByteArray("a.b[1") << missing;
    }
    void jsonAt()
    {
        QFETCH(QByteArray, path);
        QFETCH(QJsonValue, value);
        const QJsonValue root(QJsonDocument::fromJson(Document).object());
        QCOMPARE(JsonAt(root, path.toStdString()), value);
    }

    void jsonQuote_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expectedSymbol");
        QTest::addColumn<SourceFailure>("failure");
        QTest::addColumn<QStringList>("pieces"); // date, time, value, change, percent
        QTest::addColumn<QDateTime>("moment");   // as ReadQuotePieces puts it into trading hours

        const QByteArray aex = "^AEX";
        QTest::newRow("the answer, winter: after the close")
            << Fixture("yahoo-chart-quote.json") << 200 << aex << SourceFailure::None
            << QStringList{"15-01-2026", "17:35", "1012,34", "(+7,24)", "0,72%"}
            << QDateTime(QDate(2026, 1, 15), QTime(18, 0));
        QTest::newRow("summer time, a fall")
            << ChartQuote("1002", SummerMorning, "1005.1") << 200 << aex << SourceFailure::None
            << QStringList{"15-07-2026", "10:15", "1002,00", "(-3,10)", "-0,31%"}
            << QDateTime(QDate(2026, 7, 15), QTime(10, 15));
        QTest::newRow("a fall too small for the percentage")
            << ChartQuote("1005.05", SummerMorning, "1005.1") << 200 << aex << SourceFailure::None
            << QStringList{"15-07-2026", "10:15", "1005,05", "(-0,05)", "0,00%"}
            << QDateTime(QDate(2026, 7, 15), QTime(10, 15));
        QTest::newRow("unchanged, a value of three decimals rounded")
            << ChartQuote("1005.104", SummerMorning, "1005.1") << 200 << aex << SourceFailure::None
            << QStringList{"15-07-2026", "10:15", "1005,10", "(+0,00)", "0,00%"}
            << QDateTime(QDate(2026, 7, 15), QTime(10, 15));
        QTest::newRow("no symbol: not checked")
            << ChartQuote("912.3", WinterAfterClose, "900", "") << 200 << aex << SourceFailure::None
            << QStringList{"15-01-2026", "17:35", "912,30", "(+12,30)", "1,37%"}
            << QDateTime(QDate(2026, 1, 15), QTime(18, 0));
        QTest::newRow("another symbol when none is expected")
            << ChartQuote("912.3", WinterAfterClose, "900", "\"^AMX\"") << 200 << QByteArray()
            << SourceFailure::None << QStringList{"15-01-2026", "17:35", "912,30", "(+12,30)", "1,37%"}
            << QDateTime(QDate(2026, 1, 15), QTime(18, 0));

        // An answer that gives no quote: no piece, no moment.
        const auto fails = [&aex](const char* tag, const QByteArray& body, SourceFailure failure,
                                  int status = 200) {
            QTest::newRow(tag) << body << status << aex << failure << QStringList() << QDateTime();
        };
        fails("nothing fetched", QByteArray(), SourceFailure::NoAnswer, 0);
        fails("HTTP 500 with a chart", Fixture("yahoo-chart-quote.json"), SourceFailure::HttpError, 500);
        fails("429: the status first", Fixture("yahoo-too-many-requests.txt"), SourceFailure::HttpError, 429);
        fails("Too Many Requests with 200", Fixture("yahoo-too-many-requests.txt"), SourceFailure::Refused);
        fails("no result, an error object", Fixture("yahoo-chart-error.json"), SourceFailure::Refused);
        fails("a bot check with 200", Fixture("challenge.html"), SourceFailure::NotTheFormat);
        fails("a JSON array", QByteArray("[1012.34]"), SourceFailure::NotTheFormat);
        fails("no previous close", ChartQuote("1012.34", WinterAfterClose, ""), SourceFailure::MissingField);
        fails("a null value", ChartQuote("null", WinterAfterClose, "1005.1"), SourceFailure::MissingField);
        fails("no time, another symbol: the field first", ChartQuote("1012.34", "", "1005.1", "\"^AMX\""),
              SourceFailure::MissingField);
        fails("another symbol", ChartQuote("1012.34", WinterAfterClose, "1005.1", "\"^AMX\""),
              SourceFailure::WrongInstrument);
        fails("a value of zero", ChartQuote("0", WinterAfterClose, "1005.1"), SourceFailure::BadValue);
        fails("a value as text", ChartQuote("\"1012.34\"", WinterAfterClose, "1005.1"),
              SourceFailure::BadValue);
        fails("a negative previous close", ChartQuote("1012.34", WinterAfterClose, "-1"),
              SourceFailure::BadValue);
        fails("a time before the epoch", ChartQuote("1012.34", "-60", "1005.1"), SourceFailure::BadValue);
    }
    void jsonQuote()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, expectedSymbol);
        QFETCH(SourceFailure, failure);
        QFETCH(QStringList, pieces);
        QFETCH(QDateTime, moment);

        JsonQuoteSelectors selectors;
        selectors.expectedSymbol = expectedSymbol.toStdString();
        const SourceQuote read = ReadJsonQuote(Fetched(body, status), selectors);
        QCOMPARE(read.failure, failure);
        const QuotePieces& got = read.pieces;
        QCOMPARE((QStringList{QString::fromStdString(got.date), QString::fromStdString(got.time),
                              QString::fromStdString(got.value), QString::fromStdString(got.change),
                              QString::fromStdString(got.percent)}),
                 pieces.isEmpty() ? QStringList(5, QString()) : pieces);
        if (failure != SourceFailure::None)
            return;
        Quote quote;
        QCOMPARE(ReadQuotePieces(read.pieces, quote), QuoteReading::Read);
        QCOMPARE(quote.moment, moment);
        QCOMPARE(QString::fromStdString(quote.pieces.value), pieces[2]);
    }

    void jsonSeries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<SourceFailure>("failure");
        QTest::addColumn<QStringList>("closes");

        // 09:00 in Amsterdam on 26 and 27 March, 30 and 31 March 2026.
        const QByteArray morning26 = "1774512000", morning27 = "1774598400", morning30 = "1774854000",
                         morning31 = "1774940400";
        QTest::newRow("a week across summer time, a day without a close")
            << Fixture("yahoo-chart-history.json") << 200 << SourceFailure::None
            << QStringList{"46108 920.45", "46111 925.13", "46112 928.30", "46114 931.40"};
        // Midnight in Amsterdam is still the day before in UTC, and in New York.
        QTest::newRow("midnight in Amsterdam")
            << ChartSeries("1774566000,1774821600,1774908000", "920.45,925.13,928.3") << 200
            << SourceFailure::None << QStringList{"46108 920.45", "46111 925.13", "46112 928.30"};
        QTest::newRow("more closes than days: the common part")
            << ChartSeries(morning27 + "," + morning30, "920.45,925.13,928.3") << 200 << SourceFailure::None
            << QStringList{"46108 920.45", "46111 925.13"};
        QTest::newRow("more days than closes: the common part")
            << ChartSeries(morning27 + "," + morning30 + "," + morning31, "920.45") << 200
            << SourceFailure::None << QStringList{"46108 920.45"};
        QTest::newRow("out of order, a day twice: ascending, the first kept")
            << ChartSeries(morning30 + "," + morning26 + ",1774971300," + morning31,
                           "925.13,918.77,928.3,927.5")
            << 200 << SourceFailure::None << QStringList{"46107 918.77", "46111 925.13", "46112 928.30"};
        QTest::newRow("a close that does not read is passed over")
            << ChartSeries(morning26 + "," + morning27, "\"918.77\",920.45") << 200 << SourceFailure::None
            << QStringList{"46108 920.45"};
        QTest::newRow("only null closes") << ChartSeries(morning26 + "," + morning27, "null,null") << 200
                                          << SourceFailure::None << QStringList();
        QTest::newRow("a range without trading days")
            << QByteArray(
                   R"({"chart":{"result":[{"meta":{"symbol":"^AEX"},"indicators":{"quote":[{}]}}],"error":null}})")
            << 200 << SourceFailure::None << QStringList();

        const auto fails = [](const char* tag, const QByteArray& body, SourceFailure failure,
                              int status = 200) {
            QTest::newRow(tag) << body << status << failure << QStringList();
        };
        QTest::newRow("an error field that is false")
            << QByteArray(ChartSeries(morning27, "920.45")).replace("\"error\":null", "\"error\":false")
            << 200 << SourceFailure::None << QStringList{"46108 920.45"};
        fails("400: no data for the days asked",
              QByteArray("{\"chart\":{\"result\":null,\"error\":{\"code\":\"Bad Request\",\"description\":"
                         "\"Data doesn't exist for startDate = 1775167200, endDate = 1775253600\"}}}"),
              SourceFailure::NoRows, 400);
        fails("404 with an error object", Fixture("yahoo-chart-error.json"), SourceFailure::NoRows, 404);

        fails("nothing fetched", QByteArray(), SourceFailure::NoAnswer, 0);
        fails("HTTP 500", Fixture("yahoo-chart-history.json"), SourceFailure::HttpError, 500);
        fails("HTTP 400 with a page", Fixture("challenge.html"), SourceFailure::HttpError, 400);
        fails("Too Many Requests", Fixture("yahoo-too-many-requests.txt"), SourceFailure::Refused);
        fails("no result, an error object", Fixture("yahoo-chart-error.json"), SourceFailure::Refused);
        fails("a bot check", Fixture("challenge.html"), SourceFailure::NotTheFormat);
        fails("a zero byte between two closes", ChartSeries(morning26 + "," + morning27, "918.77,\0920.45"),
              SourceFailure::NotTheFormat);
        fails(
            "closes without timestamps",
            QByteArray(
                R"({"chart":{"result":[{"meta":{"symbol":"^AEX"},"indicators":{"quote":[{"close":[1]}]}}]}})"),
            SourceFailure::MissingField);
        fails("timestamps without closes",
              QByteArray(R"({"chart":{"result":[{"meta":{"symbol":"^AEX"},"timestamp":[1774512000]}]}})"),
              SourceFailure::MissingField);
        fails("an object that is no chart", QByteArray(R"({"status":"ok"})"), SourceFailure::MissingField);
        fails("another symbol", ChartSeries(morning26, "918.77", "^AMX"), SourceFailure::WrongInstrument);
        fails("not one close reads", ChartSeries(morning26 + "," + morning27, "0,-5"),
              SourceFailure::BadValue);
    }
    void jsonSeries()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        const SourceSeries read = ReadJsonSeries(Fetched(body, status));
        QTEST(read.failure, "failure");
        QTEST(Texts(read.closes), "closes");
    }

    void csvSeries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("isin");
        QTest::addColumn<SourceFailure>("failure");
        QTest::addColumn<QStringList>("closes");

        const QByteArray aex = "NL0000000107";
        const QByteArray download = Fixture("euronext-aex.csv");
        const QByteArray header =
            "Date;Open;High;Low;Last;Close;Number of Shares;Number of Trades;Turnover;vwap\n";
        QTest::newRow("with a byte order mark, CR LF, newest first")
            << download << 200 << aex << SourceFailure::None << FixtureWeek;
        QTest::newRow("without the mark, LF") << QByteArray(download).remove(0, 3).replace("\r\n", "\n")
                                              << 200 << aex << SourceFailure::None << FixtureWeek;
        QTest::newRow("the byte order mark right before the header")
            << "\xEF\xBB\xBF" + header + "31/03/2026;1;1;1;1;928.30;;;;\n"
            << 200 << aex << SourceFailure::None << QStringList{"46112 928.30"};
        QTest::newRow("quoted, vwap twice")
            << Fixture("euronext-aex-vwap.csv") << 200 << aex << SourceFailure::None << FixtureWeek.mid(0, 4);
        QTest::newRow("rows with an unnamed extra field")
            << Fixture("euronext-aex-extra-field.csv") << 200 << aex << SourceFailure::None
            << FixtureWeek.mid(1, 3);
        QTest::newRow("a header without rows: no new days")
            << Fixture("euronext-header-only.csv") << 200 << aex << SourceFailure::None << QStringList();
        QTest::newRow("columns found by name, a day twice, rows that do not read")
            << QByteArray(
                   "\"NL0000000107\"\nclose;date\n928.3;31/03/2026\n928.9;31/03/2026\n925,13;30/03/2026\n"
                   "920.45;2026-03-27\n;26/03/2026\n918.77\n")
            << 200 << aex << SourceFailure::None << QStringList{"46112 928.30"};
        QTest::newRow("another ISIN, not checked")
            << Fixture("euronext-wrong-isin.csv") << 200 << QByteArray() << SourceFailure::None
            << QStringList{"46111 1101.05", "46112 1107.62"};

        const auto fails = [&aex](const char* tag, const QByteArray& body, SourceFailure failure,
                                  int status = 200) {
            QTest::newRow(tag) << body << status << aex << failure << QStringList();
        };
        fails("nothing fetched", QByteArray(), SourceFailure::NoAnswer, 0);
        fails("HTTP 503", download, SourceFailure::HttpError, 503);
        fails("a bot check with 200", Fixture("challenge.html"), SourceFailure::NotTheFormat);
        fails("a zero byte in a row", QByteArray(download).insert(download.indexOf("931.40") + 2, '\0'),
              SourceFailure::NotTheFormat);
        fails("a chart answer", Fixture("yahoo-chart-history.json"), SourceFailure::NotTheFormat);
        fails("Too Many Requests", Fixture("yahoo-too-many-requests.txt"), SourceFailure::Refused);
        fails("another ISIN", Fixture("euronext-wrong-isin.csv"), SourceFailure::WrongInstrument);
        fails("not one row reads", header + "31-03-2026;1;1;1;1;928.30;;;;\n31/03/2026;1;1;1;1;n/a;;;;\n",
              SourceFailure::BadValue);
    }
    void csvSeries()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QByteArray, isin);
        CsvSeriesSelectors selectors;
        selectors.isin = isin.toStdString();
        const SourceSeries read = ReadCsvSeries(Fetched(body, status), selectors);
        QTEST(read.failure, "failure");
        QTEST(Texts(read.closes), "closes");
    }

    // A series source without a close, taken by the closing-price rules: no day, and no failure.
    // (The closes of a series taken: tst_sessionsources::backfill, row "the exchange's download".)
    void emptySeriesTaken()
    {
        const ClosingPricesReading nothing = TakeListedCloses({}, 46108, 46113);
        QCOMPARE(nothing.code, BackfillCode::Done);
        QVERIFY(nothing.entries.empty());
    }

    void expand_data()
    {
        QTest::addColumn<QString>("tmpl");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("url"); // "-": refused

        const int first = Day(2026, 2, 10);
        const int last = Day(2026, 12, 8);
        QTest::newRow("no variables")
            << "https://beurs.test/aex?x=1" << first << last << "https://beurs.test/aex?x=1";
        QTest::newRow("dates") << "s={first:yyyy-MM-dd}&e={last:dd/MM/yyyy}" << first << last
                               << "s=2026-02-10&e=08/12/2026";
        QTest::newRow("epochs, winter to winter")
            << "p1={first:epoch}&p2={end:epoch}" << first << last
            << "p1=" + Epoch(QDateTime(QDate(2026, 2, 9), QTime(23, 0), Qt::UTC)) +
                   "&p2=" + Epoch(QDateTime(QDate(2026, 12, 8), QTime(23, 0), Qt::UTC));
        QTest::newRow("epoch in summer time") << "{first:epoch}" << Day(2026, 7, 1) << Day(2026, 7, 1)
                                              << Epoch(QDateTime(QDate(2026, 6, 30), QTime(22, 0), Qt::UTC));
        QTest::newRow("today") << "d={today:yyyyMMdd}" << first << last << "d=20261209";
        QTest::newRow("unknown variable") << "{start:yyyy}" << first << last << "-";
        QTest::newRow("a time format") << "{first:hh:mm}" << first << last << "-";
        QTest::newRow("a quoted format") << "{first:'yyyy'}" << first << last << "-";
        QTest::newRow("no format") << "{first}" << first << last << "-";
        QTest::newRow("brace left open") << "x={first:yyyy" << first << last << "-";
        QTest::newRow("a format of 32 characters") << "{first:" + QString("dd-").repeated(10) + "dd}" << first
                                                   << last << QString("10-").repeated(10) + "10";
        QTest::newRow("a format longer than 32 characters")
            << "{first:" + QString("dd-").repeated(11) + "}" << first << last << "-";
    }
    void expand()
    {
        QFETCH(QString, tmpl);
        QFETCH(int, first);
        QFETCH(int, last);
        const std::optional<std::string> url =
            Quotes::ExpandSourceUrl(tmpl.toStdString(), {first, last}, Day(2026, 12, 9));
        QTEST(url ? QString::fromStdString(*url) : QString("-"), "url");
    }
};

QTEST_GUILESS_MAIN(TestSourceReaders)
#include "tst_sourcereaders.moc"
