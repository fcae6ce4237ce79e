// The closing-price back-fill's decisions: when it is due, how the list is read, and which
// code each failure gives.
#include "history/HistoryTestSupport.h"
#include "quotes/ClosingPrices.h"
#include "support/Clock.h"
#include "support/Regional.h"

#include <QTest>

using Quotes::BackfillCode;

namespace {

constexpr int Tuesday5June2012 = 41065;
constexpr int Thursday7June2012 = 41067;
constexpr int Friday8June2012 = 41068;
constexpr int Saturday9June2012 = 41069;
constexpr int Sunday10June2012 = 41070;
constexpr int Today = 41090; // 30 June 2012

QDateTime At(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

// Three list lines of 15 characters each.
const QByteArray ThreeLines = "120605: 310.00\n120606: 311.50\n120607: 312.45\n";

} // namespace

Q_DECLARE_METATYPE(BackfillCode)

class TestClosingPrices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Support::SetRegional(Support::RegionalSettings::Dutch()); }

    void dueRule_data()
    {
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<bool>("due");

        QTest::newRow("Friday stored, Monday 19:59: reference Sunday")
            << Friday8June2012 << At(2012, 6, 11, 19, 59) << true;
        QTest::newRow("Friday stored, Monday 20:00") << Friday8June2012 << At(2012, 6, 11, 20, 0) << true;
        QTest::newRow("Friday stored, Saturday 10:00: reference Friday")
            << Friday8June2012 << At(2012, 6, 9, 10, 0) << false;
        QTest::newRow("Saturday stored, Monday 21:00")
            << Saturday9June2012 << At(2012, 6, 11, 21, 0) << false;
        QTest::newRow("Saturday stored, Tuesday 19:59")
            << Saturday9June2012 << At(2012, 6, 12, 19, 59) << false;
        QTest::newRow("Saturday stored, Tuesday 20:00")
            << Saturday9June2012 << At(2012, 6, 12, 20, 0) << true;
        QTest::newRow("Sunday stored, Monday 21:00") << Sunday10June2012 << At(2012, 6, 11, 21, 0) << false;
        QTest::newRow("Sunday stored, Tuesday 10:00") << Sunday10June2012 << At(2012, 6, 12, 10, 0) << false;
        QTest::newRow("Sunday stored, Tuesday 20:00") << Sunday10June2012 << At(2012, 6, 12, 20, 0) << true;
        QTest::newRow("Thursday stored, Friday 10:00: reference Thursday")
            << Thursday7June2012 << At(2012, 6, 8, 10, 0) << false;
        QTest::newRow("Thursday stored, Friday 20:00") << Thursday7June2012 << At(2012, 6, 8, 20, 0) << true;
        QTest::newRow("stored day after today") << Sunday10June2012 << At(2012, 6, 1, 21, 0) << false;
        QTest::newRow("nothing stored") << int(History::NoDay) << At(2012, 6, 8, 10, 0) << true;

        // Closing days have no close: they are never missing, and the reference day steps back
        // over them. Easter 2025: Good Friday 18 April and Easter Monday 21 April are closed.
        const auto day = [](int year, int month, int d) { return Support::DayNumber(QDate(year, month, d)); };
        QTest::newRow("Maundy Thursday stored, Good Friday 20:00")
            << day(2025, 4, 17) << At(2025, 4, 18, 20, 0) << false;
        QTest::newRow("Maundy Thursday stored, Saturday 10:00")
            << day(2025, 4, 17) << At(2025, 4, 19, 10, 0) << false;
        QTest::newRow("Maundy Thursday stored, Easter Monday 21:00")
            << day(2025, 4, 17) << At(2025, 4, 21, 21, 0) << false;
        QTest::newRow("Maundy Thursday stored, Tuesday 10:00: reference Thursday")
            << day(2025, 4, 17) << At(2025, 4, 22, 10, 0) << false;
        QTest::newRow("Maundy Thursday stored, Tuesday 20:00")
            << day(2025, 4, 17) << At(2025, 4, 22, 20, 0) << true;
        QTest::newRow("Wednesday before Easter stored, Easter Monday 21:00: Thursday missing")
            << day(2025, 4, 16) << At(2025, 4, 21, 21, 0) << true;
        QTest::newRow("Easter Sunday stored, Easter Monday 21:00")
            << day(2025, 4, 20) << At(2025, 4, 21, 21, 0) << false;
        // Christmas 2025: the half day Wednesday 24, closed on Thursday 25 and Friday 26.
        QTest::newRow("Christmas Eve stored, Boxing Day 21:00")
            << day(2025, 12, 24) << At(2025, 12, 26, 21, 0) << false;
        QTest::newRow("Christmas Eve stored, Saturday 10:00")
            << day(2025, 12, 24) << At(2025, 12, 27, 10, 0) << false;
        QTest::newRow("Christmas Eve stored, Monday 20:00")
            << day(2025, 12, 24) << At(2025, 12, 29, 20, 0) << true;
        QTest::newRow("23 December stored, Boxing Day 21:00: the half day missing")
            << day(2025, 12, 23) << At(2025, 12, 26, 21, 0) << true;
        QTest::newRow("New Year's Eve stored, New Year's Day 21:00")
            << day(2025, 12, 31) << At(2026, 1, 1, 21, 0) << false;
        QTest::newRow("New Year's Eve stored, 2 January 10:00")
            << day(2025, 12, 31) << At(2026, 1, 2, 10, 0) << false;
        QTest::newRow("New Year's Eve stored, 2 January 20:00")
            << day(2025, 12, 31) << At(2026, 1, 2, 20, 0) << true;
    }

    void referenceDay_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDate>("reference");
        QTest::newRow("Tuesday 19:59") << At(2012, 6, 12, 19, 59) << QDate(2012, 6, 11);
        QTest::newRow("Tuesday 20:00") << At(2012, 6, 12, 20, 0) << QDate(2012, 6, 12);
        QTest::newRow("Monday 10:00: Sunday") << At(2012, 6, 11, 10, 0) << QDate(2012, 6, 10);
        QTest::newRow("Good Friday 21:00: Thursday") << At(2025, 4, 18, 21, 0) << QDate(2025, 4, 17);
        QTest::newRow("Tuesday after Easter 10:00: Thursday") << At(2025, 4, 22, 10, 0) << QDate(2025, 4, 17);
        QTest::newRow("Saturday after Christmas: the half day")
            << At(2025, 12, 27, 10, 0) << QDate(2025, 12, 24);
        QTest::newRow("Christmas Eve 20:00") << At(2025, 12, 24, 20, 0) << QDate(2025, 12, 24);
    }
    void referenceDay()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDate, reference);
        QCOMPARE(Support::DateOfDay(Quotes::BackfillReferenceDay(now)), reference);
    }
    void dueRule()
    {
        QFETCH(int, lastDay);
        QFETCH(QDateTime, now);
        QFETCH(bool, due);
        QCOMPARE(Quotes::BackfillDue(lastDay, now), due);
    }

    void listDate_data()
    {
        QTest::addColumn<QByteArray>("yymmdd");
        QTest::addColumn<int>("day");

        QTest::newRow("7 June 2012") << QByteArray("120607") << Thursday7June2012;
        QTest::newRow("leap day") << QByteArray("120229") << 40968;
        QTest::newRow("no leap day in 2013") << QByteArray("130229") << int(History::NoDay);
        QTest::newRow("month 13") << QByteArray("121307") << int(History::NoDay);
        QTest::newRow("day 0") << QByteArray("120600") << int(History::NoDay);
        QTest::newRow("last 16-bit day") << QByteArray("790604") << 65535;
        QTest::newRow("beyond 16-bit days") << QByteArray("790605") << int(History::NoDay);
        QTest::newRow("five digits") << QByteArray("12067") << int(History::NoDay);
        QTest::newRow("blank inside") << QByteArray("12 607") << int(History::NoDay);
    }
    void listDate()
    {
        QFETCH(QByteArray, yymmdd);
        QFETCH(int, day);
        QCOMPARE(Quotes::ClosingDay(yymmdd.toStdString()), day);
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<int>("lastDay");
        QTest::addColumn<BackfillCode>("code");
        QTest::addColumn<History::EntryList>("entries");
        const auto row = [](const char* tag, const QByteArray& page, int lastDay, const char* entries,
                            BackfillCode code = BackfillCode::Done) {
            QTest::newRow(tag) << page << lastDay << code << L(entries);
        };

        const int before = Thursday7June2012 - 1;
        row("newer day added with a comma", "120607: 312.45\n", before, "41067:312,45");
        row("the newest stored day itself", "120607: 312.45\n", Thursday7June2012, "");
        row("older day", "120607: 312.45\n", Sunday10June2012, "");
        row("only the days after the stored one", ThreeLines, Tuesday5June2012, "41066:311,50 41067:312,45");
        row("nothing stored: every day", ThreeLines, int(History::NoDay),
            "41065:310,00 41066:311,50 41067:312,45");
        row("value with a comma", "120607: 312,45\n", before, "41067:312,45");
        row("whole number", "120607: 312\n", before, "41067:312");
        row("value above 100000 passed over", "120607: 123456.78\n", before, "");
        row("10-character value passed over, reading goes on", "120606: 1234567.89\n120607: 312.45\n",
            Tuesday5June2012, "41067:312,45");
        row("11-character value passed over, reading goes on",
            "120605: 310.00\n120606: 12345678.90\n120607: 312.45\n", Tuesday5June2012 - 1,
            "41065:310,00 41067:312,45");
        row("text value passed over, reading goes on",
            "120606: 311.50\n120607: closed today\n120608: 313.00\n", Tuesday5June2012,
            "41066:311,50 41068:313,00");
        row("text value on the last line: code 4", "120606: 311.50\n120607: closed today\n", Tuesday5June2012,
            "41066:311,50", BackfillCode::ZeroValue);
        row("last value 0: code 4, earlier entries kept, 0 not", "120606: 311.50\n120607: 0.00\n",
            Tuesday5June2012, "41066:311,50", BackfillCode::ZeroValue);
        row("last value missing: code 4", "120606: 311.50\n120607:\n", Tuesday5June2012, "41066:311,50",
            BackfillCode::ZeroValue);
        row("last value 0.01: no code 4, but no day's value either", "120607: 0.01\n", before, "");
        row("last line older but valued", "120607: 312.45\n120601: 300.00\n", before, "41067:312,45");
        row("first line without a date passed over",
            "<html><body>Niet gevonden</body></html>\n120607: 312.45\n", before, "41067:312,45");
        row("first line with month 13 passed over", "121307: 312.45\n120607: 312.45\n", before,
            "41067:312,45");
        row("first line 261399 passed over", "261399: 900.00\n120607: 312.45\n", before, "41067:312,45");
        row("first line 260230 passed over", "260230: 900.00\n120607: 312.45\n", before, "41067:312,45");
        row("first line abcdef passed over", "abcdef: 900.00\n120607: 312.45\n", before, "41067:312,45");
        row("first line empty passed over", "\n" + ThreeLines, before, "41067:312,45");
        row("no line with a date: code 3", "Niet gevonden\n\nabcdef: 312.45\n", before, "",
            BackfillCode::AexNotFound);
        row("later line without a date passed over, entries kept",
            "120606: 311.50\nkoersen van vandaag\n120607: 312.45\n", Tuesday5June2012,
            "41066:311,50 41067:312,45");
        row("a blank after the value", "120606: 311.50 \n120607: 312.45\n", Tuesday5June2012,
            "41066:311,50 41067:312,45");
        row("a tab after the value", "120607: 312.45\t\n", before, "41067:312,45");
        row("a tab before the value, CR LF", "120607:\t312.45 \t\r\n", before, "41067:312,45");
        row("three decimals passed over", "120606: 311.505\n120607: 312.45\n", Tuesday5June2012,
            "41067:312,45");
        row("empty line at the end", "120607: 312.45\n\n", before, "41067:312,45");
        row("last line without a line end", "120606: 311.50\n120607: 312.45", Tuesday5June2012,
            "41066:311,50 41067:312,45");
        row("CR LF line ends", "120606: 311.50\r\n120607: 312.45\r\n", Tuesday5June2012,
            "41066:311,50 41067:312,45");
        row("CR line ends", "120606: 311.50\r120607: 312.45\r", Tuesday5June2012,
            "41066:311,50 41067:312,45");
        row("CR LF: the CR does not count in a value's length", "120605: 1234567.89\r\n120606: 311.50\r\n",
            Tuesday5June2012 - 1, "41066:311,50");
        row("value with text after the number passed over", "120606: 311.50x\n120607: 312.45\n",
            Tuesday5June2012, "41067:312,45");
        row("value with two separators passed over", "120606: 1.311.50\n120607: 312.45\n", Tuesday5June2012,
            "41067:312,45");
        row("value ending in its separator passed over", "120606: 311.\n120607: 312.45\n", Tuesday5June2012,
            "41067:312,45");
        row("negative value passed over", "120606: -311.50\n120607: 312.45\n", Tuesday5June2012,
            "41067:312,45");
        row("a day listed twice keeps its first value", "120607: 312.45\n120607: 313.00\n", before,
            "41067:312,45");
        row("zero byte in a line", QByteArray("120606: 311.50\n120607: 31\0002.45\n", 31), Tuesday5June2012,
            "41066:311,50", BackfillCode::ZeroValue);
        row("a day after today passed over", "120606: 311.50\n120701: 312.45\n120607: 312.45\n",
            Tuesday5June2012, "41066:311,50 41067:312,45");
        row("today added", "120630: 312.45\n", before, "41090:312,45");
        // Lines as the list writes them: the series' name between the colon and the first blank.
        row("the series' name before the value", "120606:aex-index 311.50\n120607:aex-index 312.45\n",
            Tuesday5June2012, "41066:311,50 41067:312,45");
        row("several blanks, then the value", "120607:aex-index   312.45\n", before, "41067:312,45");
        row("a tab as the first blank", "120607:aex-index\t312.45\n", before, "41067:312,45");
        row("the series' name, a value and a blank", "120607:aex-index 312.45 \n", before, "41067:312,45");
        row("no blank: no value, reading goes on", "120606:311.50\n120607:aex-index 312.45\n",
            Tuesday5June2012, "41067:312,45");
        row("no blank on the last line: code 4", "120606:aex-index 311.50\n120607:312.45\n", Tuesday5June2012,
            "41066:311,50", BackfillCode::ZeroValue);
        row("the series' name with a 10-character value, reading goes on",
            "120606:aex-index 1234567.89\n120607:aex-index 312.45\n", Tuesday5June2012, "41067:312,45");
        row("the series' name with an 11-character value, reading goes on",
            "120606:aex-index 12345678.90\n120607:aex-index 312.45\n", Tuesday5June2012, "41067:312,45");
        row("text before the date of the first line: code 3", "AEX 120607: 312.45\n", before, "",
            BackfillCode::AexNotFound);
    }
    void reading()
    {
        QFETCH(QByteArray, page);
        QFETCH(int, lastDay);
        const Quotes::ClosingPricesReading reading =
            Quotes::ReadClosingPrices(page.toStdString(), lastDay, Today);
        QTEST(reading.code, "code");
        QTEST(reading.entries, "entries");
        for (const History::DayEntry& entry : reading.entries) {
            QVERIFY2(entry.value.find_first_of("\r\n") == std::string::npos,
                     History::EntryLine(entry).c_str());
            QVERIFY(entry.origin == History::Origin::Listed);
        }
    }

    void plausibleReading_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("stored"); // stored history, "day:value ..." as L() reads it
        QTest::addColumn<History::EntryList>("entries");

        QTest::newRow("65536 among values near 900 passed over")
            << QByteArray("120604: 900.00\n120605: 65536.00\n120606: 905.00\n") << QByteArray()
            << L("41064:900,00 41066:905,00");
        QTest::newRow("999999999 passed over")
            << QByteArray("120604: 900.00\n120605: 999999999\n120606: 905.00\n") << QByteArray()
            << L("41064:900,00 41066:905,00");
        QTest::newRow("each line compared with the last one taken")
            << QByteArray("120604: 900.00\n120605: 65536.00\n120606: 65600.00\n120607: 910.00\n")
            << QByteArray() << L("41064:900,00 41067:910,00");
        QTest::newRow("the first line compared with the stored value before it")
            << QByteArray("120605: 9000.00\n120606: 901.00\n") << QByteArray("41063:900")
            << L("41066:901,00");
        QTest::newRow("an absurd stored value does not anchor")
            << QByteArray("120605: 903.00\n") << QByteArray("41062:900 41063:65536") << L("41065:903,00");
        QTest::newRow("a fifth more in a day passed over")
            << QByteArray("120605: 1090.00\n") << QByteArray("41064:900") << History::EntryList{};
        QTest::newRow("a fifth more across three weeks")
            << QByteArray("120605: 1090.00\n") << QByteArray("41044:900") << L("41065:1090,00");
        QTest::newRow("nothing before: 65536 is sane")
            << QByteArray("120605: 65536.00\n") << QByteArray() << L("41065:65536,00");
    }
    void plausibleReading()
    {
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, stored);
        const Quotes::ClosingPricesReading reading = Quotes::ReadClosingPrices(
            page.toStdString(), History::NoDay, Today, History::TrustedValues(L(stored.constData())));
        QTEST(reading.entries, "entries");
    }

    // What came of the fetch, once the back-fill was due (dueRule): nothing, too little, or a list.
    void fetchedList_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<BackfillCode>("code");
        QTest::addColumn<int>("entryCount");

        QTest::newRow("fetch failed") << QByteArray() << BackfillCode::NoConnection << 0;
        QTest::newRow("49 characters") << ThreeLines + "xxx\n" << BackfillCode::PageTooSmall << 0;
        QTest::newRow("50 characters") << ThreeLines + "xxxx\n" << BackfillCode::Done << 3;
        QTest::newRow("a short error page") << QByteArray("Not Found") << BackfillCode::PageTooSmall << 0;
        QTest::newRow("an error page")
            << QByteArray("<html><head><title>404 Not Found</title></head><body>Not Found</body></html>\n")
            << BackfillCode::AexNotFound << 0;
    }
    void fetchedList()
    {
        QFETCH(QByteArray, page);
        const auto reading = Quotes::ReadFetchedList(page.toStdString(), At(2012, 6, 11, 21, 0));
        QTEST(reading.code, "code");
        QTEST(int(reading.entries.size()), "entryCount");
    }

    void messageTexts_data()
    {
        QTest::addColumn<BackfillCode>("code");
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("0") << BackfillCode::Done << QByteArray();
        QTest::newRow("1") << BackfillCode::NoConnection << QByteArray("Fout 1; Geen internetverbinding");
        QTest::newRow("2") << BackfillCode::PageTooSmall << QByteArray("Fout 2; Gelezen bestand is te klein");
        QTest::newRow("3") << BackfillCode::AexNotFound << QByteArray("Fout 3; AEX niet gevonden");
        QTest::newRow("4") << BackfillCode::ZeroValue << QByteArray("Fout 4; AEX-Koers = 0,0");
        QTest::newRow("unknown code") << BackfillCode(7) << QByteArray();
    }
    // The main window shows them in Dutch; a window in English has its own wording.
    void messageTexts()
    {
        QFETCH(BackfillCode, code);
        QFETCH(QByteArray, text);
        QCOMPARE(QByteArray::fromStdString(Quotes::LoadMessageText(code, Support::Language::Dutch)), text);
        QCOMPARE(Quotes::LoadMessageText(code, Support::Language::English).empty(), text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestClosingPrices)
#include "tst_closingprices.moc"
