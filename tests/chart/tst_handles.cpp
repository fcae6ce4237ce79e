// A handle's place on the chart and its stored day and value; and the alerts of the lines
// between them: the crossing rule in both directions, the margin of 0.05 % of the line's value,
// warning once, re-arming, lines that do not cover today, a handle moved; and the warning's text.
#include "ChartTestData.h"
#include "chart/Handles.h"
#include "chart/LineAlerts.h"
#include "session/ProgramSettings.h"
#include "support/SettingsStore.h"
#include "testsupport/TestSupport.h"

#include <QSettings>
#include <QTest>

using Chart::Crossing;
using Chart::LineEnds;

Q_DECLARE_METATYPE(LineEnds)

namespace {
constexpr int FirstDay = 41000;
constexpr int Today = FirstDay + 169; // the series ends 31 days after today

// 402 x 240 pixels for 201 days from 480 to 530: 2 pixels a day, 4 pixels a point, 475 ... 535.
Chart::ChartScale ExactScale()
{
    return Chart::MakeScale(ChartTest::LinearSeries(FirstDay, 201, 480, 530), 402, 240);
}

// A crossing as the alert tables write it.
QString Name(Crossing crossing)
{
    return crossing == Crossing::Rose ? "rose" : crossing == Crossing::Fell ? "fell" : "-";
}
} // namespace

class TestHandles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestSupport::ResetUserFolders();
        const auto scale = ExactScale();
        QCOMPARE(scale.DayScale, 2.0);
        QCOMPARE(scale.ValueScale, 4.0);
    }

    void place_data()
    {
        QTest::addColumn<int>("handle");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QPoint>("expected");
        QTest::addColumn<bool>("fromStore");

        QTest::newRow("nothing stored") << 0 << 0 << "0.0" << QPoint(24, 24) << false;
        QTest::newRow("nothing stored, blue end") << 5 << 0 << "0.0" << QPoint(40, 56) << false;
        QTest::newRow("day and value") << 0 << FirstDay + 100 << "500,2500" << QPoint(196, 135) << true;
        QTest::newRow("value with a point") << 0 << FirstDay + 100 << "500.2500" << QPoint(196, 135) << true;
        QTest::newRow("first shown day") << 2 << FirstDay << "500,25" << QPoint(-4, 135) << true;
        QTest::newRow("30 days ahead accepted") << 1 << Today + 30 << "500,25" << QPoint(394, 135) << true;
        QTest::newRow("the last shown day, 31 days ahead")
            << 1 << Today + 31 << "500,25" << QPoint(396, 135) << true;
        QTest::newRow("the right edge, 32 days ahead")
            << 1 << Today + 32 << "500,25" << QPoint(398, 135) << true;
        QTest::newRow("beyond the right edge") << 1 << Today + 33 << "500,25" << QPoint(40, 135) << false;
        QTest::newRow("far in the future") << 1 << 65000 << "500,25" << QPoint(40, 135) << false;
        QTest::newRow("day 0") << 3 << 0 << "500,25" << QPoint(40, 135) << false;
        QTest::newRow("negative day") << 3 << -5 << "500,25" << QPoint(40, 135) << false;
        QTest::newRow("day scrolled out to the left")
            << 4 << FirstDay - 1 << "500,25" << QPoint(24, 135) << false;
        QTest::newRow("above ChartMax") << 0 << FirstDay + 100 << "535,5" << QPoint(196, 24) << false;
        QTest::newRow("ChartMax itself: the top edge")
            << 0 << FirstDay + 100 << "535" << QPoint(196, -4) << true;
        QTest::newRow("ChartMin itself: the bottom edge")
            << 0 << FirstDay + 100 << "475" << QPoint(196, 236) << true;
        QTest::newRow("below ChartMin") << 2 << FirstDay + 100 << "474,99" << QPoint(196, 40) << false;
        QTest::newRow("exactly 0.0") << 4 << FirstDay + 100 << "0.0" << QPoint(196, 56) << false;
        QTest::newRow("zero with a comma") << 4 << FirstDay + 100 << "0,0" << QPoint(196, 56) << false;
        QTest::newRow("not a number") << 5 << FirstDay + 100 << "abc" << QPoint(196, 56) << false;
        QTest::newRow("empty value") << 5 << FirstDay + 100 << "" << QPoint(196, 56) << false;
    }
    void place()
    {
        QFETCH(int, handle);
        QFETCH(int, day);
        QFETCH(QString, value);
        QFETCH(QPoint, expected);
        QFETCH(bool, fromStore);
        const Chart::HandlePlace placed = Chart::PlaceHandle(handle, {day, value}, ExactScale());
        QCOMPARE(placed.place, expected);
        QCOMPARE(placed.fromStore, fromStore);
    }

    void defaultPlaces()
    {
        // An empty series gives no scale: every handle goes to its default place.
        const auto none = Chart::MakeScale(History::EntryList(), 402, 240);
        for (int handle = 0; handle < Chart::HandleCount; ++handle) {
            const auto placed = Chart::PlaceHandle(handle, {FirstDay + 100, "500,25"}, none);
            QCOMPARE(placed.place, Chart::DefaultHandlePlace(handle));
            QVERIFY(!placed.fromStore);
        }
        // On a small plot the defaults stay inside it.
        const auto small = Chart::MakeScale(ChartTest::LinearSeries(FirstDay, 201, 480, 530), 402, 30);
        QCOMPARE(Chart::PlaceHandle(5, {}, small).place, QPoint(40, 30));
        QCOMPARE(Chart::PlaceHandle(0, {}, small).place, QPoint(24, 24));
    }

    void store_data()
    {
        QTest::addColumn<QPoint>("place");
        QTest::addColumn<char>("separator");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("value");
        QTest::newRow("comma") << QPoint(196, 135) << ',' << FirstDay + 100 << "500,2500";
        QTest::newRow("point") << QPoint(196, 135) << '.' << FirstDay + 100 << "500.2500";
        QTest::newRow("default place") << QPoint(24, 24) << ',' << FirstDay + 14 << "528,0000";
        QTest::newRow("top edge") << QPoint(-4, -4) << ',' << FirstDay << "535,0000";
    }
    void store()
    {
        QFETCH(QPoint, place);
        QFETCH(char, separator);
        QFETCH(int, day);
        QFETCH(QString, value);
        const Chart::StoredHandle stored = Chart::StoreHandle(place, ExactScale(), separator);
        QCOMPARE(stored.day, day);
        QCOMPARE(stored.valueText, value);
    }

    void storedRoundTrip()
    {
        // Values near zero: the rows at the bottom read as no value and are stored as zero.
        const auto low = Chart::MakeScale(ChartTest::LinearSeries(FirstDay, 50, 1, 10), 200, 100);
        QCOMPARE(Chart::StoreHandle(QPoint(10, 100 - 4), low, ',').valueText, QStringLiteral("0,0000"));

        const auto scale = ExactScale();
        ProgramSettings settings;
        for (int handle = 0; handle < Chart::HandleCount; ++handle)
            settings.WriteHandle(handle,
                                 Chart::StoreHandle(QPoint(196, 135) + QPoint(2 * handle, 0), scale, ','));
#ifdef Q_OS_WIN
        const QSettings stored = TestSupport::IniFile();
        QCOMPARE(stored.value("Defaults/Shape3-Left").toString(), QStringLiteral("41100"));
        QCOMPARE(stored.value("Defaults/Shape3-Top").toString(), QStringLiteral("500,2500"));
        QCOMPARE(stored.value("Defaults/Shape8-Left").toString(), QStringLiteral("41105"));
#else
        const QByteArray ini = TestSupport::ReadFile(TestSupport::IniPath());
        QVERIFY2(ini.contains("Shape3-Left=41100"), ini.constData());
        QVERIFY2(ini.contains("Shape3-Top=\"500,2500\""), ini.constData());
        QVERIFY2(ini.contains("Shape8-Left=41105"), ini.constData());
#endif
        for (int handle = 0; handle < Chart::HandleCount; ++handle) {
            const auto stored = settings.ReadHandle(handle);
            const auto placed = Chart::PlaceHandle(handle, stored, scale);
            QCOMPARE(placed.place, QPoint(196, 135) + QPoint(2 * handle, 0));
            QVERIFY(placed.fromStore);
        }
    }

    void everySavedPlaceComesBack_data()
    {
        QTest::addColumn<int>("days"); // today and the 31 days after it included
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<QSize>("plot");
        QTest::newRow("2 pixels a day") << 201 << 480.0 << 530.0 << QSize(402, 240);
        QTest::newRow("the default window") << 201 << 480.0 << 530.0 << QSize(555, 389);
        QTest::newRow("a wide window") << 201 << 880.0 << 1010.0 << QSize(1617, 927);
        QTest::newRow("515 days") << 516 << 880.0 << 1010.0 << QSize(466, 349);
        QTest::newRow("twenty years") << 7300 << 200.0 << 1010.0 << QSize(800, 500);
    }
    // A handle dragged anywhere on the plot area and saved is placed back there by the next
    // redraw of the same chart, on the last shown days too: it never jumps to its default place.
    void everySavedPlaceComesBack()
    {
        QFETCH(int, days);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(QSize, plot);
        const int today = FirstDay + days - 32;
        const auto scale =
            Chart::MakeScale(ChartTest::LinearSeries(FirstDay, days, from, to), plot.width(), plot.height());
        QVERIFY(scale.IsValid());
        // The last pixel column holds the last shown day, 31 days after today (or a later one).
        const int lastStored = Chart::StoreHandle(QPoint(plot.width() - 1 - 4, 100), scale, ',').day;
        QCOMPARE_GE(lastStored + 1 / scale.DayScale, today + 31);
        for (int x = 1; x < plot.width(); ++x) {
            for (int y = 1; y < plot.height(); y += 7) {
                const QPoint place(x - 4, y - 4); // the reference point where the cursor let go
                // Dragged there, the handle stays on its pixel until it is stored.
                QCOMPARE(Chart::PlaceOf(Chart::PositionAt(place, scale), scale), place);
                const Chart::StoredHandle stored = Chart::StoreHandle(place, scale, ',');
                const Chart::HandlePlace placed = Chart::PlaceHandle(3, stored, scale);
                QVERIFY2(placed.fromStore,
                         qPrintable(QString::asprintf("%d,%d: day %d (today %d), %s", x, y, stored.day, today,
                                                      qPrintable(stored.valueText))));
                QVERIFY(std::abs(placed.place.x() - place.x()) <= scale.DayScale / 2 + 1);
                QVERIFY(std::abs(placed.place.y() - place.y()) <= 1);
            }
        }
    }

    void handEditedValues_data()
    {
        QTest::addColumn<QByteArray>("lines");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("value");
        QTest::newRow("unquoted comma")
            << QByteArray("Shape3-Left=41100\nShape3-Top=512,3456\n") << 41100 << "512,3456";
        QTest::newRow("blanks around the day")
            << QByteArray("Shape3-Left= 41100 \nShape3-Top=512.5\n") << 41100 << "512.5";
        QTest::newRow("day not a number") << QByteArray("Shape3-Left=abc\nShape3-Top=512\n") << 0 << "512";
        QTest::newRow("day with decimals") << QByteArray("Shape3-Left=41100.5\n") << 0 << "0.0";
        QTest::newRow("absent") << QByteArray() << 0 << "0.0";
        QTest::newRow("empty values") << QByteArray("Shape3-Left=\nShape3-Top=\n") << 0 << "";
    }
    void handEditedValues()
    {
        QFETCH(QByteArray, lines);
        QFETCH(int, day);
        QFETCH(QString, value);
        QVERIFY(TestSupport::WriteHandEditedSettings("[Defaults]\n" + lines));
        const auto stored = ProgramSettings().ReadHandle(0);
        QCOMPARE(stored.day, day);
        QCOMPARE(stored.valueText, value);
    }

    void lineValue()
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
    void crossing_data()
    {
        QTest::addColumn<LineEnds>("line");
        QTest::addColumn<int>("today");
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("rearmAfter");
        QTest::addColumn<QStringList>("warnings");

        const LineEnds flat{100, 910.20, 200, 910.20}; // margin 0.4551: above 910.6551, below 909.7449
        QTest::newRow("rises through")
            << flat << 150 << QList<double>{905.0, 912.45} << -1 << QStringList{"rose"};
        QTest::newRow("falls through")
            << flat << 150 << QList<double>{915.0, 905.10} << -1 << QStringList{"fell"};
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
        QTest::newRow("staying above")
            << flat << 150 << QList<double>{912.0, 915.0} << -1 << QStringList{"-"};
        QTest::newRow("warns once") << flat << 150 << QList<double>{905.0, 912.0, 913.0, 914.0} << -1
                                    << QStringList{"rose", "-", "-"};
        QTest::newRow("back within the margin: not re-armed")
            << flat << 150 << QList<double>{905.0, 912.0, 910.0, 912.0} << -1
            << QStringList{"rose", "-", "-"};
        QTest::newRow("back by the margin re-arms without a warning, the next crossing warns")
            << flat << 150 << QList<double>{905.0, 912.0, 909.5, 912.0} << -1
            << QStringList{"rose", "-", "rose"};
        QTest::newRow("falls, re-armed above, falls again")
            << flat << 150 << QList<double>{915.0, 905.0, 911.0, 905.0} << -1
            << QStringList{"fell", "-", "fell"};
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
    void crossing()
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

    void text_data()
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
        QTest::newRow("blue, rounded to cents")
            << int(Crossing::Rose) << 2 << 1012.456 << 1011.999 << true
            << "De AEX (1012,46) is boven de blauwe lijn (1012,00) gekomen.";
        QTest::newRow("English") << int(Crossing::Fell) << 1 << 905.1 << 910.2 << false
                                 << "The AEX (905.10) has fallen below the red line (910.20).";
        QTest::newRow("no crossing") << int(Crossing::None) << 1 << 905.1 << 910.2 << true << "";
    }
    void text()
    {
        QFETCH(int, crossing);
        QFETCH(int, line);
        QFETCH(double, value);
        QFETCH(double, lineValue);
        QFETCH(bool, dutch);
        const std::string text =
            Chart::AlertText(static_cast<Crossing>(crossing), line, value, lineValue,
                             dutch ? Support::Language::Dutch : Support::Language::English);
        QTEST(QString::fromStdString(text), "text");
    }
};

QTEST_GUILESS_MAIN(TestHandles)
#include "tst_handles.moc"
