// The crossing rule of the trend-line alerts: both directions, the margin of 0.05 % of the
// line's value, warning once, re-arming, lines that do not cover today, a handle moved; and
// the warning's text.
#include "chart/LineAlerts.h"

#include <QTest>

using Chart::Crossing;
using Chart::LineEnds;

Q_DECLARE_METATYPE(LineEnds)

namespace {
QString Name(Crossing crossing)
{
    switch (crossing) {
    case Crossing::Rose:
        return "rose";
    case Crossing::Fell:
        return "fell";
    case Crossing::None:
        break;
    }
    return "-";
}
} // namespace

class TestLineAlerts : public QObject
{
    Q_OBJECT
private slots:
    void lineValue();
    void crossing_data();
    void crossing();
    void text_data();
    void text();
};

void TestLineAlerts::lineValue()
{
    const LineEnds rising{100, 900.0, 200, 1000.0};
    QCOMPARE(Chart::LineValueOnDay(rising, 150).value_or(-1), 950.0);
    QCOMPARE(Chart::LineValueOnDay(rising, 100).value_or(-1), 900.0); // a handle's day is covered
    QCOMPARE(Chart::LineValueOnDay(rising, 200).value_or(-1), 1000.0);
    QVERIFY(!Chart::LineValueOnDay(rising, 99));
    QVERIFY(!Chart::LineValueOnDay(rising, 201));
    // Drawn from right to left: the same line.
    const LineEnds backwards{200, 1000.0, 100, 900.0};
    QCOMPARE(Chart::LineValueOnDay(backwards, 120).value_or(-1), 920.0);
    // Both ends on one day: no value.
    QVERIFY(!Chart::LineValueOnDay(LineEnds{150, 900.0, 150, 950.0}, 150));
}

// `values` starts with the value before the first quote (at the first quote of a run, the
// newest real close before today); each later value is a quote. After the quote numbered
// `rearmAfter` a handle of the line is moved. `warnings` has one entry per quote.
void TestLineAlerts::crossing_data()
{
    QTest::addColumn<LineEnds>("line");
    QTest::addColumn<int>("today");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("rearmAfter");
    QTest::addColumn<QStringList>("warnings");

    const LineEnds flat{100, 910.20, 200, 910.20}; // margin 0.4551: above 910.6551, below 909.7449
    QTest::newRow("rises through") << flat << 150 << QList<double>{905.0, 912.45} << -1
                                   << QStringList{"rose"};
    QTest::newRow("falls through") << flat << 150 << QList<double>{915.0, 905.10} << -1
                                   << QStringList{"fell"};
    QTest::newRow("above, but within the margin")
        << flat << 150 << QList<double>{905.0, 910.65} << -1 << QStringList{"-"};
    QTest::newRow("just beyond the margin")
        << flat << 150 << QList<double>{905.0, 910.66} << -1 << QStringList{"rose"};
    QTest::newRow("below, but within the margin")
        << flat << 150 << QList<double>{915.0, 909.75} << -1 << QStringList{"-"};
    QTest::newRow("from within the margin below, on through it")
        << flat << 150 << QList<double>{910.0, 910.70} << -1 << QStringList{"rose"};
    QTest::newRow("previous exactly on the line")
        << flat << 150 << QList<double>{910.20, 912.0} << -1 << QStringList{"-"};
    QTest::newRow("staying above") << flat << 150 << QList<double>{912.0, 915.0} << -1 << QStringList{"-"};
    QTest::newRow("warns once") << flat << 150 << QList<double>{905.0, 912.0, 913.0, 914.0} << -1
                                << QStringList{"rose", "-", "-"};
    QTest::newRow("back within the margin: not re-armed")
        << flat << 150 << QList<double>{905.0, 912.0, 910.0, 912.0} << -1 << QStringList{"rose", "-", "-"};
    QTest::newRow("back by the margin re-arms without a warning, the next crossing warns")
        << flat << 150 << QList<double>{905.0, 912.0, 909.5, 912.0} << -1 << QStringList{"rose", "-", "rose"};
    QTest::newRow("falls, re-armed above, falls again")
        << flat << 150 << QList<double>{915.0, 905.0, 911.0, 905.0} << -1 << QStringList{"fell", "-", "fell"};
    QTest::newRow("a moved handle re-arms")
        << flat << 150 << QList<double>{905.0, 912.0, 905.0} << 1 << QStringList{"rose", "fell"};
    QTest::newRow("without the move the fall back is silent")
        << flat << 150 << QList<double>{905.0, 912.0, 905.0} << -1 << QStringList{"rose", "-"};
    const LineEnds rising{100, 900.0, 200, 1000.0};
    QTest::newRow("a sloped line, crossed where it stands today")
        << rising << 150 << QList<double>{949.0, 951.0} << -1 << QStringList{"rose"};
    QTest::newRow("a sloped line lower on an earlier day")
        << rising << 120 << QList<double>{949.0, 951.0} << -1 << QStringList{"-"};
    QTest::newRow("today on a handle's day")
        << rising << 200 << QList<double>{990.0, 1001.0} << -1 << QStringList{"rose"};
    QTest::newRow("a line that ends before today")
        << flat << 201 << QList<double>{905.0, 912.0} << -1 << QStringList{"-"};
    QTest::newRow("a line that begins after today")
        << flat << 99 << QList<double>{905.0, 912.0} << -1 << QStringList{"-"};
}

void TestLineAlerts::crossing()
{
    QFETCH(LineEnds, line);
    QFETCH(int, today);
    QFETCH(QList<double>, values);
    QFETCH(int, rearmAfter);
    Chart::LineAlert alert;
    QStringList warnings;
    for (int k = 1; k < values.size(); ++k) {
        const std::optional<double> lineValue = Chart::LineValueOnDay(line, today);
        const Crossing crossing =
            lineValue ? alert.Check(values[k - 1], values[k], *lineValue) : Crossing::None;
        warnings << Name(crossing);
        if (k == rearmAfter)
            alert.Rearm();
    }
    QTEST(warnings, "warnings");
}

void TestLineAlerts::text_data()
{
    QTest::addColumn<int>("crossing");
    QTest::addColumn<int>("line");
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lineValue");
    QTest::addColumn<bool>("dutch");
    QTest::addColumn<QString>("text");
    QTest::newRow("red, rose") << int(Crossing::Rose) << 1 << 912.45 << 910.2 << true
                               << "De AEX (912,45) is boven de rode lijn (910,20) gekomen.";
    QTest::newRow("green, fell") << int(Crossing::Fell) << 0 << 905.1 << 910.2 << true
                                 << "De AEX (905,10) is onder de groene lijn (910,20) gezakt.";
    QTest::newRow("blue, rounded to cents") << int(Crossing::Rose) << 2 << 1012.456 << 1011.999 << true
                                            << "De AEX (1012,46) is boven de blauwe lijn (1012,00) gekomen.";
    QTest::newRow("English") << int(Crossing::Fell) << 1 << 905.1 << 910.2 << false
                             << "The AEX (905.10) has fallen below the red line (910.20).";
    QTest::newRow("no crossing") << int(Crossing::None) << 1 << 905.1 << 910.2 << true << "";
}

void TestLineAlerts::text()
{
    QFETCH(int, crossing);
    QFETCH(int, line);
    QFETCH(double, value);
    QFETCH(double, lineValue);
    QFETCH(bool, dutch);
    const std::string text = Chart::AlertText(static_cast<Crossing>(crossing), line, value, lineValue,
                                              dutch ? Support::Language::Dutch : Support::Language::English);
    QTEST(QString::fromStdString(text), "text");
}

QTEST_APPLESS_MAIN(TestLineAlerts)
#include "tst_linealerts.moc"
