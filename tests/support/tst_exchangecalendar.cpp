// Euronext Amsterdam's calendar for every year from 2000 to 2035, and the user's lists of
// closing days and exceptions, bad entries included.
#include "support/ExchangeCalendar.h"

#include <QTest>

using Support::ExchangeCalendar;

class TestExchangeCalendar : public QObject
{
    Q_OBJECT
private slots:
    // Easter Sunday as the published tables give it, and the year's trading and half days counted
    // by hand from the rules (weekdays less the closing days that fall on a weekday).
    void years_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("easter");
        QTest::addColumn<int>("tradingDays");
        QTest::addColumn<int>("halfDays");
        const auto row = [](int year, int month, int day, int trading, int half) {
            QTest::addRow("%d", year) << year << QDate(year, month, day) << trading << half;
        };
        row(2000, 4, 23, 255, 0);
        row(2001, 4, 15, 255, 2);
        row(2002, 3, 31, 255, 2);
        row(2003, 4, 20, 255, 2);
        row(2004, 4, 11, 259, 2);
        row(2005, 3, 27, 257, 0);
        row(2006, 4, 16, 255, 0);
        row(2007, 4, 8, 255, 2);
        row(2008, 3, 23, 256, 2);
        row(2009, 4, 12, 256, 2);
        row(2010, 4, 4, 258, 2);
        row(2011, 4, 24, 257, 0);
        row(2012, 4, 8, 256, 2);
        row(2013, 3, 31, 255, 2);
        row(2014, 4, 20, 255, 2);
        row(2015, 4, 5, 256, 2);
        row(2016, 3, 27, 257, 0);
        row(2017, 4, 16, 255, 0);
        row(2018, 4, 1, 255, 2);
        row(2019, 4, 21, 255, 2);
        row(2020, 4, 12, 257, 2);
        row(2021, 4, 4, 258, 2);
        row(2022, 4, 17, 257, 0);
        row(2023, 4, 9, 255, 0);
        row(2024, 3, 31, 256, 2);
        row(2025, 4, 20, 255, 2);
        row(2026, 4, 5, 256, 2);
        row(2027, 3, 28, 258, 2);
        row(2028, 4, 16, 255, 0);
        row(2029, 4, 1, 255, 2);
        row(2030, 4, 21, 255, 2);
        row(2031, 4, 13, 255, 2);
        row(2032, 3, 28, 259, 2);
        row(2033, 4, 17, 257, 0);
        row(2034, 4, 9, 255, 0);
        row(2035, 3, 25, 255, 2);
    }
    void years()
    {
        QFETCH(int, year);
        QFETCH(QDate, easter);
        const ExchangeCalendar calendar;
        QCOMPARE(Support::EasterSunday(year), easter);
        QVERIFY(easter.dayOfWeek() == Qt::Sunday);

        // Good Friday and Easter Monday are closed; the Thursday before and the Tuesday after trade.
        QVERIFY(calendar.IsClosingDay(easter.addDays(-2)));
        QVERIFY(calendar.IsClosingDay(easter.addDays(1)));
        QVERIFY(calendar.IsTradingDay(easter.addDays(-3)));
        QVERIFY(calendar.IsTradingDay(easter.addDays(2)));
        QVERIFY(!calendar.IsTradingDay(easter));
        QVERIFY(!calendar.IsClosingDay(easter)); // a Sunday: weekend, not a closing day

        // The fixed days are closed when they fall on a weekday; no other day is closed instead.
        for (const QDate& fixed :
             {QDate(year, 1, 1), QDate(year, 5, 1), QDate(year, 12, 25), QDate(year, 12, 26)}) {
            const bool weekday = fixed.dayOfWeek() <= Qt::Friday;
            QCOMPARE(calendar.IsClosingDay(fixed), weekday);
            QVERIFY(!calendar.IsTradingDay(fixed));
            QVERIFY(ExchangeCalendar::RuleClosingDay(fixed));
        }
        QCOMPARE(calendar.IsTradingDay(QDate(year, 1, 2)), QDate(year, 1, 2).dayOfWeek() <= Qt::Friday);
        QCOMPARE(calendar.IsTradingDay(QDate(year, 12, 27)), QDate(year, 12, 27).dayOfWeek() <= Qt::Friday);

        // The half days end at 14:05; any other trading day at 17:30.
        for (const QDate& half : {QDate(year, 12, 24), QDate(year, 12, 31)}) {
            const bool weekday = half.dayOfWeek() <= Qt::Friday;
            QCOMPARE(calendar.IsHalfDay(half), weekday);
            QCOMPARE(calendar.IsTradingDay(half), weekday);
            if (weekday)
                QCOMPARE(calendar.ClosingMinute(half), 14 * 60 + 5);
        }
        QCOMPARE(calendar.ClosingMinute(QDate(year, 12, 23)), 17 * 60 + 30);

        int trading = 0;
        int half = 0;
        for (QDate date(year, 1, 1); date.year() == year; date = date.addDays(1)) {
            trading += calendar.IsTradingDay(date) ? 1 : 0;
            half += calendar.IsHalfDay(date) ? 1 : 0;
            QVERIFY(!(calendar.IsTradingDay(date) && calendar.IsClosingDay(date)));
        }
        QTEST(trading, "tradingDays");
        QTEST(half, "halfDays");
    }

    // Group "Beurs": Gesloten adds closing days, Open takes days out; bad entries are reported and
    // passed over, the good ones of the same list still count.
    void lists_data()
    {
        QTest::addColumn<QStringList>("closed");
        QTest::addColumn<QStringList>("open");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QStringList>("bad");

        QTest::newRow("no lists: a normal Wednesday")
            << QStringList() << QStringList() << QDate(2026, 3, 4) << false << QStringList();
        QTest::newRow("an added closing day")
            << QStringList{"2026-03-04"} << QStringList() << QDate(2026, 3, 4) << true << QStringList();
        QTest::newRow("blanks around an entry")
            << QStringList{" 2026-03-04 "} << QStringList() << QDate(2026, 3, 4) << true << QStringList();
        QTest::newRow("an exception to a rule: Easter Monday 2026 opens")
            << QStringList() << QStringList{"2026-04-06"} << QDate(2026, 4, 6) << false << QStringList();
        QTest::newRow("an exception to an added day")
            << QStringList{"2026-03-04"} << QStringList{"2026-03-04"} << QDate(2026, 3, 4) << false
            << QStringList();
        QTest::newRow("an added day on a Saturday stays a weekend day")
            << QStringList{"2026-03-07"} << QStringList() << QDate(2026, 3, 7) << false << QStringList();
        QTest::newRow("an open Saturday is reported")
            << QStringList() << QStringList{"2026-03-07"} << QDate(2026, 3, 7) << false
            << QStringList{"2026-03-07: geen werkdag"};
        QTest::newRow("day and month swapped, the good entry kept")
            << QStringList{"2026-13-04", "2026-03-04"} << QStringList() << QDate(2026, 3, 4) << true
            << QStringList{"2026-13-04: geen datum als jjjj-mm-dd"};
        QTest::newRow("a Dutch date is reported")
            << QStringList{"04-03-2026"} << QStringList() << QDate(2026, 3, 4) << false
            << QStringList{"04-03-2026: geen datum als jjjj-mm-dd"};
        QTest::newRow("no leading zeroes") << QStringList{"2026-3-4"} << QStringList() << QDate(2026, 3, 4)
                                           << false << QStringList{"2026-3-4: geen datum als jjjj-mm-dd"};
        QTest::newRow("30 February") << QStringList{"2026-02-30"} << QStringList() << QDate(2026, 3, 2)
                                     << false << QStringList{"2026-02-30: geen datum als jjjj-mm-dd"};
        QTest::newRow("a word in the open list, the rule stays")
            << QStringList() << QStringList{"morgen"} << QDate(2026, 4, 3) << true
            << QStringList{"morgen: geen datum als jjjj-mm-dd"};
        QTest::newRow("an empty entry is no entry")
            << QStringList{""} << QStringList{" "} << QDate(2026, 12, 25) << true << QStringList();
    }
    void lists()
    {
        QFETCH(QStringList, closed);
        QFETCH(QStringList, open);
        QFETCH(QDate, date);
        QFETCH(QStringList, bad);
        std::vector<std::string> closedList, openList, reported;
        for (const QString& entry : closed)
            closedList.push_back(entry.toStdString());
        for (const QString& entry : open)
            openList.push_back(entry.toStdString());
        const ExchangeCalendar calendar = ExchangeCalendar::WithLists(closedList, openList, &reported);
        QTEST(calendar.IsClosingDay(date), "closing");
        QCOMPARE(calendar.IsTradingDay(date), !calendar.IsClosingDay(date) && date.dayOfWeek() <= Qt::Friday);
        QStringList got;
        for (const std::string& entry : reported)
            got << QString::fromStdString(entry);
        QCOMPARE(got, bad);
    }

    void tradingDayBefore()
    {
        const ExchangeCalendar calendar;
        // Easter 2025: from Easter Monday back to Maundy Thursday.
        QCOMPARE(calendar.TradingDayOnOrBefore(QDate(2025, 4, 21)), QDate(2025, 4, 17));
        QCOMPARE(calendar.TradingDayOnOrBefore(QDate(2025, 4, 17)), QDate(2025, 4, 17));
        // Christmas 2025 (Thursday and Friday) and the weekend after: back to the half day.
        QCOMPARE(calendar.TradingDayOnOrBefore(QDate(2025, 12, 28)), QDate(2025, 12, 24));
        // A list that closes a whole year ends the search instead of looping.
        std::vector<std::string> all;
        for (QDate date(2026, 1, 1); date.year() == 2026; date = date.addDays(1))
            all.push_back(date.toString("yyyy-MM-dd").toStdString());
        const ExchangeCalendar closedYear = ExchangeCalendar::WithLists(all, {});
        QCOMPARE(closedYear.TradingDayOnOrBefore(QDate(2026, 12, 31)), QDate(2025, 12, 31));
    }
};

QTEST_APPLESS_MAIN(TestExchangeCalendar)
#include "tst_exchangecalendar.moc"
