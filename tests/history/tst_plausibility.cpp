// Which index values can be true: the band around the newest trusted value, the value texts a
// source may send, and how the values of a stored history are judged. (The index's own past,
// every close and every day of the starter history, passes: tst_starterhistory.)
#include "HistoryTestSupport.h"
#include "history/Plausibility.h"

#include <cmath>

using namespace History;

Q_DECLARE_METATYPE(History::ValueKind)

namespace {
QList<int> Kinds(const EntryList& entries, const EntryList& after = {})
{
    QList<int> kinds;
    for (const ValueKind kind : ValueKinds(entries, after))
        kinds << int(kind);
    return kinds;
}
constexpr int R = int(ValueKind::Real);
constexpr int M = int(ValueKind::Missing);
constexpr int I = int(ValueKind::Implausible);
constexpr int F = int(ValueKind::FilledIn);
} // namespace

class PlausibilityTest : public QObject
{
    Q_OBJECT

private slots:
    void plausible_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("days");      // after the anchor
        QTest::addColumn<double>("anchor"); // 0: none
        QTest::addColumn<bool>("plausible");

        QTest::newRow("a normal day") << 905.10 << 1 << 900.0 << true;
        QTest::newRow("19 % up in a day") << 1071.0 << 1 << 900.0 << true;
        QTest::newRow("21 % up in a day") << 1089.0 << 1 << 900.0 << false;
        QTest::newRow("a fifth down in a day") << 720.0 << 1 << 900.0 << false;
        QTest::newRow("65536 among values near 900") << 65536.0 << 1 << 900.0 << false;
        QTest::newRow("a thousand times as much") << 900000.0 << 3 << 900.0 << false;
        QTest::newRow("40 % up over a month") << 1260.0 << 30 << 900.0 << true;
        QTest::newRow("three times as much over a month") << 2700.0 << 30 << 900.0 << false;
        QTest::newRow("twice as much over a year") << 1800.0 << 365 << 900.0 << true;
        QTest::newRow("ten times as much over four months") << 9000.0 << 120 << 900.0 << false;
        QTest::newRow("three times as much over four months") << 2700.0 << 120 << 900.0 << false;
        QTest::newRow("20 000 ten months after 1 004,14") << 20000.0 << 302 << 1004.14 << false;
        QTest::newRow("2.5 times as much ten months later") << 2510.0 << 302 << 1004.14 << true;
        QTest::newRow("45 % up in a week") << 1305.0 << 7 << 900.0 << true;
        QTest::newRow("no anchor: 65536 is sane") << 65536.0 << 1 << 0.0 << true;
        QTest::newRow("no anchor: above 100000") << 100000.01 << 1 << 0.0 << false;
        QTest::newRow("zero") << 0.0 << 1 << 0.0 << false;
        QTest::newRow("below 0.1") << 0.05 << 1 << 0.0 << false;
        QTest::newRow("negative") << -900.0 << 1 << 900.0 << false;
        QTest::newRow("not a number") << double(NAN) << 1 << 900.0 << false;
        QTest::newRow("infinite") << double(INFINITY) << 1 << 0.0 << false;
    }
    void plausible()
    {
        QFETCH(double, value);
        QFETCH(int, days);
        QFETCH(double, anchor);
        QFETCH(bool, plausible);
        const Anchor from = anchor > 0 ? Anchor{46000, anchor} : Anchor{};
        QCOMPARE(IsPlausible(value, 46000 + days, from), plausible);
    }

    void centValue_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<double>("value"); // -1: none

        QTest::newRow("point") << QByteArray("900.00") << 900.0;
        QTest::newRow("comma") << QByteArray("912,34") << 912.34;
        QTest::newRow("one decimal") << QByteArray("912.3") << 912.3;
        QTest::newRow("whole") << QByteArray("912") << 912.0;
        QTest::newRow("blanks and tabs around") << QByteArray(" \t900.00 \t") << 900.0;
        QTest::newRow("three decimals") << QByteArray("900.001") << -1.0;
        QTest::newRow("22 decimals") << QByteArray("912,3400000000000000000000") << -1.0;
        QTest::newRow("separator at the end") << QByteArray("912.") << -1.0;
        QTest::newRow("two separators") << QByteArray("1.012,34") << -1.0;
        QTest::newRow("sign") << QByteArray("+912,34") << -1.0;
        QTest::newRow("empty") << QByteArray("") << -1.0;
    }
    void centValue()
    {
        QFETCH(QByteArray, text);
        QFETCH(double, value);
        const std::optional<double> read = ReadCentValue(text.toStdString());
        QCOMPARE(read.has_value(), value >= 0);
        if (read)
            QCOMPARE(*read, value);
    }

    void valueKinds_data()
    {
        QTest::addColumn<EntryList>("entries");
        QTest::addColumn<QList<int>>("kinds");

        QTest::newRow("closes") << L("46055:900 46056:910 46057:905") << QList<int>{R, R, R};
        QTest::newRow("0,0 and no value")
            << L("46055:900 46056:0,0 46057:0,05 46058:905") << QList<int>{R, M, M, R};
        QTest::newRow("a weekend filled in between Friday and Monday")
            << L("46059:995,35 46060:996,58 46061:997,80 46062:999,03") << QList<int>{R, F, F, R};
        QTest::newRow("one absurd value among values near 900")
            << L("46055:900 46056:65536 46057:905 46058:910") << QList<int>{R, I, R, R};
        QTest::newRow("absurd values filled in around an absurd one")
            << L("46055:900 46056:22445,33 46057:43990,67 46058:65536 46059:902")
            << QList<int>{R, I, I, I, R};
        QTest::newRow("the last value carried forward")
            << L("46055:900 46056:910 46057:910 46058:910 46059:910") << QList<int>{R, R, F, F, F};
        QTest::newRow("a missing day breaks the line")
            << L("46055:900 46056:905 46058:910") << QList<int>{R, R, R};
        QTest::newRow("a day twice: both trusted as the first")
            << L("46055:900 46055:905 46056:910 46056:65536") << QList<int>{R, R, R, R};
    }
    void valueKinds()
    {
        QFETCH(EntryList, entries);
        QFETCH(QList<int>, kinds);
        QCOMPARE(Kinds(entries), kinds);
        // The same list in two parts, split anywhere, has the same kinds.
        for (std::size_t split = 0; split <= entries.size(); ++split) {
            const auto middle = entries.begin() + std::ptrdiff_t(split);
            QCOMPARE(Kinds(EntryList(entries.begin(), middle), EntryList(middle, entries.end())), kinds);
        }
    }

    void trustedValues()
    {
        const TrustedValues trusted(L("46055:900 46056:65536 46057:0,0 46058:999999999 46059:905"));
        QVERIFY(trusted.IsTrusted(46055));
        QVERIFY(!trusted.IsTrusted(46056));
        QVERIFY(!trusted.IsTrusted(46058));
        QCOMPARE(trusted.Before(46059).value, 900.0);
        QCOMPARE(trusted.Newest().value, 905.0);
        QVERIFY(!trusted.Before(46055).Valid());
    }
};

QTEST_GUILESS_MAIN(PlausibilityTest)
#include "tst_plausibility.moc"
