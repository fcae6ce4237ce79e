// The quote page: markup stripping, the cutting, the date-time reading, trading hours and
// the status line texts and colours; and the quote written into the shown series.
#include "history/HistoryTestSupport.h"
#include "quotes/QuotePage.h"
#include "quotes/QuoteSeries.h"
#include "quotes/StatusLine.h"
#include "testsupport/TestSupport.h"

#include <QTest>

using namespace Quotes;

namespace {
const QByteArray ExampleText =
    "Koersen\nBeurs;07-06-12 17:35HOME\nAEX 312,45 (+1,20) 0,39%\nAMX 521,08 (-2,11) -0,40%\n";

QDateTime At(int year, int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}
} // namespace

class TestQuotePage : public QObject
{
    Q_OBJECT
private slots:
    void stripTags_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("plain text stays") << QByteArray("AEX 312,45") << QByteArray("AEX 312,45");
        QTest::newRow("tags go, text between stays")
            << QByteArray("<td>AEX</td> <td>312,45</td>") << QByteArray("AEX 312,45");
        QTest::newRow("attributes go with the tag")
            << QByteArray("<a href=\"x;y\">HOME</a>") << QByteArray("HOME");
        QTest::newRow("a stray > is dropped") << QByteArray("a > b") << QByteArray("a  b");
        QTest::newRow("an unclosed tag drops the rest") << QByteArray("AEX <b 312,45") << QByteArray("AEX ");
        QTest::newRow("a < inside a tag") << QByteArray("x<a<b>y") << QByteArray("xy");
        QTest::newRow("entities stay") << QByteArray("<p>&amp;&nbsp;</p>") << QByteArray("&amp;&nbsp;");
        QTest::newRow("bytes above 127 and zero stay")
            << QByteArray("<i>\xe9\0x</i>", 10) << QByteArray("\xe9\0x", 3);
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void stripTags()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(StripTags(page.toStdString())), text);
    }

    void cutQuote_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("change");
        QTest::addColumn<QByteArray>("percent");

        QTest::newRow("the example page, blanks included")
            << ExampleText << QByteArray("07-06-2012") << QByteArray(" 17:35") << QByteArray(" 312,45 ")
            << QByteArray("(+1,20)") << QByteArray(" 0,39%");
        QTest::newRow("a semicolon far before HOME is out of reach")
            << QByteArray("x;01-01-11 11:11 padding padding padding HOME AEX 1 (2) 3%") << QByteArray("20")
            << QByteArray() << QByteArray() << QByteArray("()") << QByteArray("%");
        QTest::newRow("no HOME: the cut starts at the text's start")
            << QByteArray("Beurs;07-06-12 17:35 AEX 312,45 (+1,20) 0,39%") << QByteArray("07-06-2012")
            << QByteArray() << QByteArray(" 312,45 ") << QByteArray("(+1,20)") << QByteArray(" 0,39%");
        QTest::newRow("no semicolon: nothing")
            << QByteArray("Beurs 07-06-12 17:35HOME AEX 312,45 (+1,20) 0,39%") << QByteArray("20")
            << QByteArray() << QByteArray() << QByteArray("()") << QByteArray("%");
        QTest::newRow("no AEX: the value starts three characters in")
            << QByteArray("Beurs;07-06-12 17:35HOME index 312,45 (+1,20) 0,39%") << QByteArray("07-06-2012")
            << QByteArray(" 17:35") << QByteArray("7:35HOME index 312,45 ") << QByteArray("(+1,20)")
            << QByteArray(" 0,39%");
        QTest::newRow("no opening bracket")
            << QByteArray("Beurs;07-06-12 17:35HOME AEX 312,45 +1,20) 0,39%") << QByteArray("07-06-2012")
            << QByteArray(" 17:35") << QByteArray() << QByteArray("()") << QByteArray("%");
        QTest::newRow("no closing bracket")
            << QByteArray("Beurs;07-06-12 17:35HOME AEX 312,45 (+1,20 0,39%") << QByteArray("07-06-2012")
            << QByteArray(" 17:35") << QByteArray(" 312,45 ") << QByteArray("()") << QByteArray("%");
        QTest::newRow("no percent sign")
            << QByteArray("Beurs;07-06-12 17:35HOME AEX 312,45 (+1,20) 0,39") << QByteArray("07-06-2012")
            << QByteArray(" 17:35") << QByteArray(" 312,45 ") << QByteArray("(+1,20)") << QByteArray("%");
        QTest::newRow("AEX beyond the hundred characters")
            << QByteArray("Beurs;07-06-12 17:35HOME") + QByteArray(100, '.') + " AEX 312,45 (+1,20) 0,39%"
            << QByteArray("07-06-2012") << QByteArray(" 17:35") << QByteArray() << QByteArray("()")
            << QByteArray("%");
        QTest::newRow("empty text") << QByteArray() << QByteArray("20") << QByteArray() << QByteArray()
                                    << QByteArray("()") << QByteArray("%");
    }
    void cutQuote()
    {
        QFETCH(QByteArray, text);
        const QuotePieces pieces = CutQuote(text.toStdString());
        QTEST(QByteArray::fromStdString(pieces.date), "date");
        QTEST(QByteArray::fromStdString(pieces.time), "time");
        QTEST(QByteArray::fromStdString(pieces.value), "value");
        QTEST(QByteArray::fromStdString(pieces.change), "change");
        QTEST(QByteArray::fromStdString(pieces.percent), "percent");
    }

    void readMoment_data()
    {
        QTest::addColumn<QByteArray>("date");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QDateTime>("moment"); // invalid: not read

        QTest::newRow("example") << QByteArray("07-06-2012") << QByteArray(" 17:35")
                                 << At(2012, 6, 7, 17, 35);
        QTest::newRow("with seconds")
            << QByteArray("07-06-2012") << QByteArray("17:35:42") << At(2012, 6, 7, 17, 35, 42);
        QTest::newRow("single digits")
            << QByteArray("7-6-2012") << QByteArray("9:05") << At(2012, 6, 7, 9, 5);
        QTest::newRow("blanks around")
            << QByteArray(" 07-06-2012 ") << QByteArray(" 17:35 ") << At(2012, 6, 7, 17, 35);
        QTest::newRow("midnight") << QByteArray("01-01-2013") << QByteArray("00:00") << At(2013, 1, 1, 0, 0);
        QTest::newRow("no such day") << QByteArray("31-02-2012") << QByteArray("17:35") << QDateTime();
        QTest::newRow("no such month") << QByteArray("07-13-2012") << QByteArray("17:35") << QDateTime();
        QTest::newRow("hour 24") << QByteArray("07-06-2012") << QByteArray("24:00") << QDateTime();
        QTest::newRow("minute 60") << QByteArray("07-06-2012") << QByteArray("17:60") << QDateTime();
        QTest::newRow("no time") << QByteArray("07-06-2012") << QByteArray() << QDateTime();
        QTest::newRow("hours only") << QByteArray("07-06-2012") << QByteArray("17") << QDateTime();
        QTest::newRow("words after the time")
            << QByteArray("07-06-2012") << QByteArray("17:35 uur") << QDateTime();
        QTest::newRow("letters for digits") << QByteArray("ab-cd-20ef") << QByteArray("17:35") << QDateTime();
        QTest::newRow("two-digit year") << QByteArray("07-06-12") << QByteArray("17:35") << QDateTime();
        QTest::newRow("slashes") << QByteArray("07/06/2012") << QByteArray("17:35") << QDateTime();
        QTest::newRow("what an empty page gives") << QByteArray("20") << QByteArray() << QDateTime();
    }
    void readMoment()
    {
        QFETCH(QByteArray, date);
        QFETCH(QByteArray, time);
        QFETCH(QDateTime, moment);
        const std::optional<QDateTime> read = ReadQuoteMoment(date.toStdString(), time.toStdString());
        QCOMPARE(read.has_value(), moment.isValid());
        if (read)
            QCOMPARE(*read, moment);
    }

    void tradingHours_data()
    {
        QTest::addColumn<QDateTime>("quoted");
        QTest::addColumn<QDateTime>("shown");

        // 7 June 2012 is a Thursday.
        QTest::newRow("17:31 becomes 18:00") << At(2012, 6, 7, 17, 31) << At(2012, 6, 7, 18, 0);
        QTest::newRow("17:30 stays") << At(2012, 6, 7, 17, 30) << At(2012, 6, 7, 17, 30);
        QTest::newRow("seconds stay") << At(2012, 6, 7, 17, 45, 30) << At(2012, 6, 7, 18, 0, 30);
        QTest::newRow("08:30 stays") << At(2012, 6, 5, 8, 30) << At(2012, 6, 5, 8, 30);
        QTest::newRow("08:29 on Tuesday: Monday 18:00") << At(2012, 6, 5, 8, 29) << At(2012, 6, 4, 18, 0);
        QTest::newRow("08:29 on Monday: Friday 18:00") << At(2012, 6, 4, 8, 29) << At(2012, 6, 1, 18, 0);
        QTest::newRow("08:29 on the first: last of the month before")
            << At(2012, 8, 1, 8, 29) << At(2012, 7, 31, 18, 0);
        QTest::newRow("08:29 on New Year's Day") << At(2013, 1, 1, 8, 29) << At(2012, 12, 31, 18, 0);
        QTest::newRow("Saturday: Friday, time unchanged") << At(2012, 6, 9, 12, 0) << At(2012, 6, 8, 12, 0);
        QTest::newRow("Saturday just after midnight") << At(2012, 6, 9, 0, 10) << At(2012, 6, 8, 18, 0);
        QTest::newRow("Saturday evening") << At(2012, 6, 9, 20, 0) << At(2012, 6, 8, 18, 0);
        // Closing days of the exchange are stepped over as weekends are.
        QTest::newRow("Good Friday: Thursday, time unchanged")
            << At(2025, 4, 18, 12, 0) << At(2025, 4, 17, 12, 0);
        QTest::newRow("2 January early: New Year's Eve 18:00")
            << At(2026, 1, 2, 8, 0) << At(2025, 12, 31, 18, 0);
    }
    void tradingHours()
    {
        QFETCH(QDateTime, quoted);
        QFETCH(QDateTime, shown);
        QCOMPARE(ToTradingHours(quoted), shown);
    }

    void readPage_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("reading");
        QTest::addColumn<QByteArray>("koers"); // value, change and percentage as shown
        QTest::addColumn<QByteArray>("moment");

        const QByteArray fixture = TestSupport::ReadFile(
            TestSupport::SourceDir() + QStringLiteral("/tests/data/quotes/quote-page.html"));
        const auto page = [](const QByteArray& head, const QByteArray& quote) {
            return "<html><body><div>Beurs;" + head + "<a href=\"/\">HOME</a></div><p>AEX" + quote +
                   "</p></body></html>";
        };
        // 17:35 is after the close of 17:30, so the label shows the close.
        QTest::newRow("the page") << fixture << int(QuoteReading::Read)
                                  << QByteArray(" 312,45  (+1,20)  0,39% ") << QByteArray("07-06-2012 18:00");
        QTest::newRow("decimal points become commas")
            << page("07-06-12 10:15", " 312.45 (+1.20) 0.39%") << int(QuoteReading::Read)
            << QByteArray(" 312,45  (+1,20)  0,39% ") << QByteArray("07-06-2012 10:15");
        QTest::newRow("no percent sign still reads")
            << page("07-06-12 10:15", " 312,45 (+1,20) 0,39") << int(QuoteReading::Read)
            << QByteArray(" 312,45  (+1,20) % ") << QByteArray("07-06-2012 10:15");
        QTest::newRow("nothing fetched")
            << QByteArray() << int(QuoteReading::NoPage) << QByteArray() << QByteArray();
        QTest::newRow("an error page") << QByteArray("<html><h1>404 Not Found</h1></html>")
                                       << int(QuoteReading::BadMoment) << QByteArray() << QByteArray();
        QTest::newRow("no time") << page("07-06-12 gesloten", " 312,45 (+1,20) 0,39%")
                                 << int(QuoteReading::BadMoment) << QByteArray() << QByteArray();
        QTest::newRow("a value of zero") << page("07-06-12 10:15", " 0,0 (+1,20) 0,39%")
                                         << int(QuoteReading::BadValue) << QByteArray() << QByteArray();
        QTest::newRow("a value of words") << page("07-06-12 10:15", " n.v.t. (+1,20) 0,39%")
                                          << int(QuoteReading::BadValue) << QByteArray() << QByteArray();
        QTest::newRow("no value") << page("07-06-12 10:15", " geen koers") << int(QuoteReading::BadValue)
                                  << QByteArray() << QByteArray();
    }
    void readPage()
    {
        QFETCH(QByteArray, page);
        QFETCH(int, reading);
        QFETCH(QByteArray, koers);
        QFETCH(QByteArray, moment);
        Quote quote;
        QCOMPARE(int(ReadQuotePage(page.toStdString(), quote)), reading);
        if (reading != int(QuoteReading::Read))
            return;
        const StatusLine line = QuoteStatus(quote, "");
        QCOMPARE(QByteArray::fromStdString(line.aex.text), QByteArray("AEX: "));
        QCOMPARE(QByteArray::fromStdString(line.koers.text), koers);
        QCOMPARE(QByteArray::fromStdString(line.time.text), moment);
    }

    void quoteValue_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("value"); // empty: no value

        QTest::newRow("decimal comma") << QByteArray(" 912,34 ") << QByteArray("912,34");
        QTest::newRow("decimal point") << QByteArray("912.34") << QByteArray("912,34");
        QTest::newRow("thousands point, decimal comma") << QByteArray(" 1.012,34 ") << QByteArray("1012,34");
        QTest::newRow("thousands comma, decimal point") << QByteArray("1,012.34") << QByteArray("1012,34");
        QTest::newRow("two thousands points") << QByteArray("1.012.345,67") << QByteArray("1012345,67");
        QTest::newRow("a point and three digits: thousands") << QByteArray("1.012") << QByteArray("1012");
        QTest::newRow("&nbsp; around, thousands point")
            << QByteArray("&nbsp;1.012,34&nbsp;") << QByteArray("1012,34");
        QTest::newRow("&#160; and a tab") << QByteArray("&#160;\t912,34 ") << QByteArray("912,34");
        QTest::newRow("non-breaking space byte") << QByteArray("\xA0"
                                                               "912,34")
                                                 << QByteArray("912,34");
        QTest::newRow("non-breaking space in UTF-8") << QByteArray("\xC2\xA0"
                                                                   "912,34")
                                                     << QByteArray("912,34");
        QTest::newRow("three decimals") << QByteArray("912,345") << QByteArray("912345");
        QTest::newRow("four decimals") << QByteArray("912,3456") << QByteArray();
        QTest::newRow("22 decimals") << QByteArray("912,3400000000000000000000") << QByteArray();
        QTest::newRow("a group of two") << QByteArray("1.01,34") << QByteArray();
        QTest::newRow("the same separator twice") << QByteArray("1,012,34") << QByteArray();
        QTest::newRow("separator at the end") << QByteArray("912,") << QByteArray();
        QTest::newRow("a sign") << QByteArray("-912,34") << QByteArray();
        QTest::newRow("an entity not a space") << QByteArray("&euro;912,34") << QByteArray();
        QTest::newRow("empty") << QByteArray("&nbsp;") << QByteArray();
    }
    void quoteValue()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, value);
        QCOMPARE(QByteArray::fromStdString(ReadQuoteValue(text.toStdString())), value);
    }

    void plausibleQuote_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<double>("anchor"); // the day before; 0: none
        QTest::addColumn<int>("reading");
        QTest::addColumn<QByteArray>("koers");

        QTest::newRow("a thousands point") << QByteArray(" 1.012,34 ") << 1005.0 << int(QuoteReading::Read)
                                           << QByteArray(" 1012,34  (+1,20)  0,39% ");
        QTest::newRow("65536,00 among values near 900")
            << QByteArray(" 65536,00 ") << 905.0 << int(QuoteReading::Implausible) << QByteArray();
        QTest::newRow("65536,00 without an anchor")
            << QByteArray(" 65536,00 ") << 0.0 << int(QuoteReading::Read)
            << QByteArray(" 65536,00  (+1,20)  0,39% ");
        QTest::newRow("twenty digits")
            << QByteArray(" 99999999999999999999,99 ") << 0.0 << int(QuoteReading::BadValue) << QByteArray();
    }
    void plausibleQuote()
    {
        QFETCH(QByteArray, value);
        QFETCH(double, anchor);
        QFETCH(int, reading);
        QFETCH(QByteArray, koers);
        const QByteArray page =
            "<div>Beurs;07-06-12 10:15<a>HOME</a></div><p>AEX" + value + "(+1.20) 0.39%</p>";
        const int day = 41067;
        Quote quote;
        QCOMPARE(int(ReadQuotePage(page.toStdString(), quote,
                                   anchor > 0 ? History::Anchor{day - 1, anchor} : History::Anchor{}, day)),
                 reading);
        if (reading == int(QuoteReading::Read))
            QCOMPARE(QByteArray::fromStdString(QuoteStatus(quote, "").koers.text), koers);
    }

    void changeColour_data()
    {
        QTest::addColumn<QByteArray>("percent");
        QTest::addColumn<QColor>("colour");

        QTest::newRow("up") << QByteArray(" 0,39%") << QColor(0, 204, 0);
        QTest::newRow("down") << QByteArray(" -0,39%") << QColor(255, 0, 0);
        QTest::newRow("unchanged") << QByteArray(" 0,00%") << QColor(0, 0, 255);
        QTest::newRow("no number") << QByteArray("%") << QColor(0, 0, 255);
        QTest::newRow("a rise with its sign") << QByteArray(" +0,39%") << QColor(0, 204, 0);
        QTest::newRow("a decimal point") << QByteArray("-1.5%") << QColor(255, 0, 0);
    }
    void changeColour()
    {
        QFETCH(QByteArray, percent);
        QTEST(ChangeColour(percent.toStdString()), "colour");
    }

    void valueColour_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("previous");
        QTest::addColumn<QColor>("colour");

        QTest::newRow("first download") << QByteArray(" 312,45 ") << QByteArray() << QColor(0, 0, 0);
        QTest::newRow("equal") << QByteArray(" 312,45 ") << QByteArray(" 312,45 ") << QColor(0, 0, 255);
        QTest::newRow("higher") << QByteArray(" 312,46 ") << QByteArray(" 312,45 ") << QColor(0, 204, 0);
        QTest::newRow("lower") << QByteArray(" 312,44 ") << QByteArray(" 312,45 ") << QColor(255, 0, 0);
        QTest::newRow("across a thousand")
            << QByteArray(" 1000,10 ") << QByteArray(" 999,50 ") << QColor(0, 204, 0);
        QTest::newRow("a trailing zero is equal")
            << QByteArray("312,40") << QByteArray("312,4") << QColor(0, 0, 255);
    }
    void valueColour()
    {
        QFETCH(QByteArray, value);
        QFETCH(QByteArray, previous);
        QTEST(ValueColour(value.toStdString(), previous.toStdString()), "colour");
    }

    void writeIntoSeries_data()
    {
        QTest::addColumn<History::EntryList>("items");
        QTest::addColumn<int>("today");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("roll");
        QTest::addColumn<History::EntryList>("expected");
        QTest::addColumn<int>("row");

        const History::EntryList loaded = Flat(100, 102, "300,00") + Flat(103, 106, "0,0");
        QTest::newRow("today and later get the value")
            << loaded << 103 << "312,45" << false << Flat(100, 102, "300,00") + Flat(103, 106, "312,45") << 3;
        QTest::newRow("the first download rolls a day")
            << loaded << 103 << "312,45" << true << Flat(101, 102, "300,00") + Flat(103, 107, "312,45") << 2;
        QTest::newRow("blanks around the value are dropped")
            << loaded << 103 << " 312,45 " << false << Flat(100, 102, "300,00") + Flat(103, 106, "312,45")
            << 3;
        QTest::newRow("a later day leaves yesterday alone")
            << Flat(100, 102, "300,00") + Flat(103, 106, "312,45") << 104 << "315,00" << false
            << Flat(100, 102, "300,00") + Flat(103, 103, "312,45") + Flat(104, 106, "315,00") << 4;
        QTest::newRow("no entry for today: the last one")
            << Flat(100, 102, "300,00") << 110 << "312,45" << false
            << Flat(100, 101, "300,00") + Flat(102, 102, "312,45") << 2;
        QTest::newRow("today's entry first")
            << Flat(103, 105, "0,0") << 103 << "312,45" << false << Flat(103, 105, "312,45") << 0;
        QTest::newRow("today's entry first, rolled out")
            << Flat(103, 105, "0,0") << 103 << "312,45" << true << Flat(103, 105, "312,45") << 0;
        QTest::newRow("a single entry rolled")
            << Flat(103, 103, "0,0") << 103 << "312,45" << true << Flat(103, 103, "312,45") << 0;
        QTest::newRow("empty series")
            << History::EntryList{} << 103 << "312,45" << true << History::EntryList{} << -1;
    }
    void writeIntoSeries()
    {
        QFETCH(History::EntryList, items);
        QFETCH(int, today);
        QFETCH(QString, value);
        QFETCH(bool, roll);
        QFETCH(History::EntryList, expected);
        QFETCH(int, row);

        History::EntryList series = items;
        QCOMPARE(Quotes::WriteQuoteIntoSeries(series, today, value.toStdString(), roll), row);
        QCOMPARE(series, expected);
        // What the quote wrote is told apart from the filling by its origin, whatever its text.
        for (int k = 0; k < int(series.size()); ++k)
            QCOMPARE(series[k].origin == History::Origin::Quoted, k >= row);
    }
};

QTEST_GUILESS_MAIN(TestQuotePage)
#include "tst_quotepage.moc"
