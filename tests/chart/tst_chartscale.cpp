// The chart scale, the value axis, the month marks and the third Friday.
#include "ChartTestData.h"
#include "chart/ChartDrawing.h"
#include "chart/ChartScale.h"
#include "chart/ThirdFriday.h"
#include "support/Clock.h"

#include <QTest>

using Chart::ChartScale;

class TestChartScale : public QObject
{
    Q_OBJECT
private slots:
    void nearestHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("276.119") << 276.119 << 276;
        QTest::newRow("2.5 goes down") << 2.5 << 2;
        QTest::newRow("3.5 goes up") << 3.5 << 4;
        QTest::newRow("-2.5") << -2.5 << -2;
        QTest::newRow("not a number") << std::nan("") << 0;
        QTest::newRow("far too large") << 1e300 << 1000000000;
    }
    void nearestHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(Chart::Nearest(value), expected);
    }

    void readSeriesAsEntries_data()
    {
        QTest::addColumn<QString>("entry");
        for (const char* entry :
             {"41000 - 512,34", "41000 - 512.34", "41000 - 512", "41000 -  512,34", "41000 - 512,34 ",
              "41000 - 5 12,3", "41000 - ,5", "41000 - 5,", "41000 - -3", "41000 - abc", "41000 - 1.2.3",
              "41000 - 1,2,3", "41000 - 0,0", "41000", "", "- 5", "41000 - 00012,5000",
              "41000 - 123456789012345678901234567890123,5"})
            QTest::newRow(entry) << QString::fromLatin1(entry);
        QTest::newRow("400 digits") << "41000 - " + QString(400, '9');
    }
    void readSeriesAsEntries()
    {
        QFETCH(QString, entry);
        const History::DayEntry read = History::ReadEntryLine(entry.toStdString());
        const Chart::SeriesData series = Chart::ReadSeries({read});
        QCOMPARE(series.size(), std::size_t(1));
        QCOMPARE(series.days.front(), History::EntryDay(read));
        QCOMPARE(series.values.front(), History::EntryValue(read));
    }

    void workedScale()
    {
        const int d0 = 41000;
        const ChartScale scale = Chart::MakeScale(ChartTest::LinearSeries(d0, 201, 480, 530), 555, 389);
        QVERIFY(scale.IsValid());
        QCOMPARE(scale.ChartRight, 555);
        QCOMPARE(scale.ChartBottom, 389);
        QCOMPARE(scale.FirstDay, d0);
        QCOMPARE(scale.DayScale, 555.0 / 201.0);
        QCOMPARE(scale.ChartMin, 475.0);
        QCOMPARE(scale.ChartMax, 535.0);
        QCOMPARE(scale.ValueScale, 389.0 / 60.0);
        QCOMPARE(scale.TickUnit, 1);
        QCOMPARE(scale.DayToX(d0 + 100), 276);
        QCOMPARE(scale.XToDay(276), d0 + 100);
        QCOMPARE(scale.ValueToY(500), 162);
        QCOMPARE(scale.ChartBottom - scale.ValueToY(500), 227);
        QVERIFY(qAbs(scale.YToValue(227) - 499.987) < 0.001);
        QCOMPARE(scale.DayToX(d0 - 3), -8); // before the first day: left of the plot area
    }

    void tickUnit_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<int>("unit");
        // The range is widened by a tenth at both ends before the unit is chosen.
        QTest::newRow("60 points") << 480.0 << 530.0 << 1;
        QTest::newRow("exactly 100 after widening") << 500.0 << 583.33333333 << 1;
        QTest::newRow("120 points") << 500.0 << 600.0 << 10;
        QTest::newRow("1200 points") << 100.0 << 1100.0 << 100;
        QTest::newRow("flat series") << 700.0 << 700.0 << 1;
    }
    void tickUnit()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(int, unit);
        const ChartScale scale = Chart::MakeScale(ChartTest::LinearSeries(40000, 50, low, high), 500, 300);
        QVERIFY(scale.HasValues);
        QCOMPARE(scale.TickUnit, unit);
    }

    void axisMarks_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QList<int>>("labels");
        QTest::addColumn<QList<int>>("gridLines");
        QTest::addColumn<int>("value");      // one mark looked at closely
        QTest::addColumn<int>("tickLength"); // and the length of its ticks

        QTest::newRow("480 to 530") << 480.0 << 530.0 << QList<int>{475, 480, 485, 490, 495, 500, 505,
                                                                    510, 515, 520, 525, 530, 535}
                                    << QList<int>{480, 490, 500, 510, 520, 530} << 500 << 15;
        QTest::newRow("480 to 530, a tick of 5")
            << 480.0 << 530.0 << QList<int>() << QList<int>() << 485 << 5;
        QTest::newRow("480 to 530, a tick of 9")
            << 480.0 << 530.0 << QList<int>() << QList<int>() << 490 << 9;
        QTest::newRow("480 to 530, a tick of 12")
            << 480.0 << 530.0 << QList<int>() << QList<int>() << 450 << -1;
        // 400 ... 600 widens to 380 ... 620: unit 10, labels every 50, grid every 100.
        QTest::newRow("above 100 points")
            << 400.0 << 600.0 << QList<int>{400, 450, 500, 550, 600} << QList<int>{400, 500, 600} << 450 << 5;
        QTest::newRow("above 100 points, 500") << 400.0 << 600.0 << QList<int>() << QList<int>() << 500 << 12;
        QTest::newRow("above 100 points, 600") << 400.0 << 600.0 << QList<int>() << QList<int>() << 600 << 9;
        // 200 ... 1200 widens to 100 ... 1300: unit 100, labels every 500, grid every 1000.
        QTest::newRow("above 1000 points")
            << 200.0 << 1200.0 << QList<int>{500, 1000} << QList<int>{1000} << 1000 << 9;
    }
    void axisMarks()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QList<int>, labels);
        QFETCH(QList<int>, gridLines);
        QFETCH(int, value);
        QFETCH(int, tickLength);
        const ChartScale scale = Chart::MakeScale(ChartTest::LinearSeries(40000, 100, low, high), 555, 389);
        const auto marks = Chart::ValueAxisMarks(scale);
        QList<int> shownLabels, shownGrid;
        int lengthFound = -1;
        for (const auto& mark : marks) {
            shownLabels << mark.value;
            if (mark.grid)
                shownGrid << mark.value;
            if (mark.value == value)
                lengthFound = mark.tickLength;
            QCOMPARE(mark.height, scale.ValueToY(mark.value));
        }
        if (!labels.isEmpty()) {
            QCOMPARE(shownLabels, labels);
            QCOMPARE(shownGrid, gridLines);
        }
        QCOMPARE(lengthFound, tickLength);
    }

    void yToValueBelowPointOne()
    {
        // 0.05 ... 10 widens to a bottom below zero: the rows there read as no value.
        ChartScale scale = Chart::MakeScale(ChartTest::LinearSeries(40000, 40, 1.0, 10.0), 100, 100);
        QVERIFY(scale.ChartMin < 0.1);
        QCOMPARE(scale.YToValue(scale.ChartBottom), 0.0);
        const int rowOfPointOne = scale.ChartBottom - scale.ValueToY(0.1);
        QCOMPARE(scale.YToValue(static_cast<std::uint16_t>(rowOfPointOne + 1)), 0.0);
        QVERIFY(scale.YToValue(static_cast<std::uint16_t>(rowOfPointOne - 2)) >= 0.1);
    }

    void scaleGuards_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("hasDays");
        QTest::addColumn<bool>("hasValues");
        QTest::addColumn<double>("chartMin");
        QTest::addColumn<double>("chartMax");

        QTest::newRow("empty series") << QStringList() << false << false << 0.0 << 0.0;
        QTest::newRow("one item") << QStringList{"41000 - 500,00"} << true << true << 499.0 << 501.0;
        QTest::newRow("all values equal") << QStringList{"41000 - 500,00", "41001 - 500,00", "41002 - 500"}
                                          << true << true << 499.0 << 501.0;
        QTest::newRow("no values at all")
            << QStringList{"41000 - 0,0", "41001 - 0,0", "41002 - x"} << true << false << 0.0 << 0.0;
        QTest::newRow("values above 65535")
            << QStringList{"41000 - 70000", "41001 - 80000"} << true << true << 69000.0 << 81000.0;
        QTest::newRow("value beyond any scale")
            << QStringList{"41000 - 17" + QString(307, '0'), "41001 - 0,5"} << true << false << 0.0 << 0.0;
        QTest::newRow("unreadable first day")
            << QStringList{"x - 500", "41001 - 510"} << false << true << 499.0 << 511.0;
        QTest::newRow("days out of order")
            << QStringList{"41005 - 500", "41001 - 510"} << false << true << 499.0 << 511.0;
    }
    void scaleGuards()
    {
        QFETCH(QStringList, entries);
        QFETCH(bool, hasDays);
        QFETCH(bool, hasValues);
        QFETCH(double, chartMin);
        QFETCH(double, chartMax);
        History::EntryList items;
        for (const QString& entry : entries)
            items.push_back(History::ReadEntryLine(entry.toStdString()));
        const ChartScale scale = Chart::MakeScale(items, 400, 300);
        QCOMPARE(scale.HasDays, hasDays);
        QCOMPARE(scale.HasValues, hasValues);
        QCOMPARE(scale.ChartMin, chartMin);
        QCOMPARE(scale.ChartMax, chartMax);
        // The transforms never divide by zero.
        QVERIFY(std::isfinite(scale.YToValue(150)));
        QVERIFY(scale.XToDay(200) >= 0);
        // A zero-sized plot area has no scale to speak of either.
        QVERIFY(!Chart::MakeScale(items, 0, 0).IsValid());
    }

    void axisStaysInSixteenBits()
    {
        const ChartScale scale = Chart::MakeScale(ChartTest::LinearSeries(40000, 50, 60000, 70000), 400, 300);
        QVERIFY(scale.HasValues);
        const auto marks = Chart::ValueAxisMarks(scale);
        QVERIFY(!marks.empty());
        QCOMPARE(marks.back().value, 65500);
        for (const auto& mark : marks)
            QVERIFY(mark.value <= 65535);
    }

    void thirdFriday_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("marker");
        QTest::newRow("March starting on a Saturday: the 21st is marked on the 20th")
            << QDate(2014, 3, 3) << QDate(2014, 3, 20);
        QTest::newRow("March starting on a Sunday: the 20th") << QDate(2016, 3, 1) << QDate(2016, 3, 18);
        QTest::newRow("March 2015 starts on a Sunday") << QDate(2015, 3, 1) << QDate(2015, 3, 20);
        QTest::newRow("on the third Friday itself") << QDate(2012, 6, 15) << QDate(2012, 6, 15);
        QTest::newRow("the day after") << QDate(2012, 6, 16) << QDate(2012, 7, 20);
        QTest::newRow("after December's: January") << QDate(2012, 12, 22) << QDate(2013, 1, 18);
        QTest::newRow("month starting on a Friday") << QDate(2013, 3, 1) << QDate(2013, 3, 15);
        QTest::newRow("passed in February, March starts on a Saturday")
            << QDate(2014, 2, 25) << QDate(2014, 3, 20);
        QTest::newRow("month starting on a Saturday, not March") << QDate(2012, 9, 1) << QDate(2012, 9, 21);
        // April 2025: the third Friday is Good Friday; the options expired on Thursday 17 April.
        QTest::newRow("April 2025: the Thursday before Good Friday")
            << QDate(2025, 4, 1) << QDate(2025, 4, 17);
        QTest::newRow("April 2025, on that Thursday") << QDate(2025, 4, 17) << QDate(2025, 4, 17);
        QTest::newRow("April 2025, on Good Friday: May's") << QDate(2025, 4, 18) << QDate(2025, 5, 16);
        QTest::newRow("passed in March 2025: April's Thursday") << QDate(2025, 3, 22) << QDate(2025, 4, 17);
        QTest::newRow("April 2022: Good Friday on the 15th too") << QDate(2022, 4, 1) << QDate(2022, 4, 14);
        QTest::newRow("April 2026: Good Friday the 3rd, the third Friday open")
            << QDate(2026, 4, 1) << QDate(2026, 4, 17);
    }
    void thirdFriday()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, marker);
        QCOMPARE(Chart::NextThirdFriday(today), marker);
    }

    void monthMarks_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("marks"); // "yyyy-MM-dd" of the later day, "/year" when it is labelled

        QTest::newRow("10 March to 26 September") << QDate(2012, 3, 10) << QDate(2012, 9, 26)
                                                  << QStringList{"2012-04-01", "2012-05-01", "2012-06-01",
                                                                 "2012-07-01", "2012-08-01", "2012-09-01"};
        QTest::newRow("across New Year") << QDate(2012, 11, 20) << QDate(2013, 2, 10)
                                         << QStringList{"2012-12-01", "2013-01-01/2013", "2013-02-01"};
        QTest::newRow("1000 items: year starts only")
            << QDate(2010, 6, 1) << QDate(2010, 6, 1).addDays(999)
            << QStringList{"2011-01-01/2011", "2012-01-01/2012", "2013-01-01/2013"};
        QStringList everyMonth;
        for (QDate month(2010, 7, 1); month <= QDate(2013, 2, 1); month = month.addMonths(1))
            everyMonth << month.toString(Qt::ISODate) +
                              (month.month() == 1 ? "/" + QString::number(month.year()) : "");
        QTest::newRow("999 items: every month")
            << QDate(2010, 6, 1) << QDate(2010, 6, 1).addDays(998) << everyMonth;
    }
    void monthMarks()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QFETCH(QStringList, marks);
        const int firstDay = Support::DayNumber(first);
        const auto items =
            ChartTest::LinearSeries(firstDay, Support::DayNumber(last) - firstDay + 1, 500, 510);
        QStringList found;
        for (const auto& mark : Chart::MonthMarks(Chart::ReadSeries(items))) {
            const QDate date = Support::DateOfDay(mark.day);
            QCOMPARE(mark.month, date.month());
            found << date.toString(Qt::ISODate) +
                         (mark.year != 0 ? QStringLiteral("/%1").arg(mark.year) : QString());
        }
        QCOMPARE(found, marks);
    }
};

QTEST_GUILESS_MAIN(TestChartScale)
#include "tst_chartscale.moc"
