// The hover read-out texts and the series height near the cursor.
#include "ChartTestData.h"
#include "chart/HoverText.h"
#include "history/HistoryTestSupport.h"
#include "support/Clock.h"

#include <QTest>

namespace {
constexpr int FirstDay = 41067; // 7 June 2012
// Ten items on a 100-pixel plot area: item k lies under x = 10 k.
History::EntryList TenItems()
{
    return ChartTest::MakeSeries(FirstDay, 10, [](int k) { return 500.0 + k + 0.34; });
}
} // namespace

class TestHover : public QObject
{
    Q_OBJECT
private slots:
    void valueTextAtX_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("text");
        QTest::newRow("left edge") << 0 << " 500,34";
        QTest::newRow("half an item rounds to even") << 5 << " 500,34";
        QTest::newRow("one and a half rounds to two") << 15 << " 502,34";
        QTest::newRow("middle") << 52 << " 505,34";
        QTest::newRow("right edge: the last item") << 100 << " 509,34";
        QTest::newRow("left of the series") << -20 << " 500,34";
        QTest::newRow("right of the series") << 400 << " 509,34";
    }
    void valueTextAtX()
    {
        QFETCH(int, x);
        QFETCH(QString, text);
        const auto items = TenItems();
        QCOMPARE(QString::fromStdString(Chart::ValueTextAtX(items, Chart::MakeScale(items, 100, 80), x)),
                 text);
    }

    void seriesHeightIsOneItemLeft()
    {
        const auto items = TenItems();
        const auto scale = Chart::MakeScale(items, 100, 80);
        QCOMPARE(Chart::SeriesHeightAtX(items, scale, 50), scale.ValueToY(504.34));
        QCOMPARE(Chart::SeriesHeightAtX(items, scale, 0), scale.ValueToY(500.34));
        QCOMPARE(Chart::SeriesHeightAtX(items, scale, 100), scale.ValueToY(509.34));
    }

    void plotText_data()
    {
        QTest::addColumn<History::EntryList>("items"); // on a 100-pixel plot area
        QTest::addColumn<bool>("dutch");               // the regional settings
        QTest::addColumn<bool>("englishLabels");       // the window's language; the main window speaks Dutch
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("text");
        // "Koers: " and the value text with its own leading blank: two blanks after the colon.
        QTest::newRow("Dutch") << TenItems() << true << false << 70 << "Koers:  507,34\r\nDatum: 14-6-2012";
        QTest::newRow("English") << TenItems() << false << false << 70
                                 << "Koers:  507,34\r\nDatum: 6/14/2012";
        QTest::newRow("date from the scale, value from the position")
            << TenItems() << true << false << 1 << "Koers:  500,34\r\nDatum: 7-6-2012";
        QTest::newRow("English labels")
            << TenItems() << false << true << 70 << "Price:  507,34\r\nDate: 6/14/2012";
        // A closing day says so over the plot as in the list: ten days around Easter 2025, Good
        // Friday at x = 10.
        const auto easter = ChartTest::MakeSeries(45764, 10, [](int k) { return 900.0 + k; });
        QTest::newRow("Good Friday: the exchange closed")
            << easter << true << false << 10 << "Koers:  901,00\r\nDatum: 18-4-2025, beurs gesloten";
        QTest::newRow("Maundy Thursday")
            << easter << true << false << 0 << "Koers:  900,00\r\nDatum: 17-4-2025";
    }
    void plotText()
    {
        QFETCH(History::EntryList, items);
        QFETCH(bool, dutch);
        QFETCH(bool, englishLabels);
        QFETCH(int, x);
        QFETCH(QString, text);
        const auto regional =
            dutch ? Support::RegionalSettings::Dutch() : Support::RegionalSettings::English();
        const auto language = englishLabels ? Support::Language::English : Support::Language::Dutch;
        QCOMPARE(Chart::PlotHoverText(items, Chart::MakeScale(items, 100, 80), x, regional, language), text);
    }

    void listText_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* name, const char* entry, const char* text) {
            QTest::newRow(name) << QString(entry) << QString(text);
        };
        row("one blank after the colon", "41072 - 512,34", "Koers: 512,34\r\nDatum: 12-6-2012");
        row("a day without a value", "41072 - 0,0", "Koers: 0,0\r\nDatum: 12-6-2012");
        row("no hyphen", "41072 512", "Koers:\r\nDatum: 12-6-2012");
        row("no day", "abc - 512", "");
        // A closing day of the exchange says so; a weekend day and a half day do not.
        row("Good Friday 2025", "45765 - 0,0", "Koers: 0,0\r\nDatum: 18-4-2025, beurs gesloten");
        row("the Saturday between", "45766 - 0,0", "Koers: 0,0\r\nDatum: 19-4-2025");
        row("Christmas Eve, a half day", "46015 - 912,45", "Koers: 912,45\r\nDatum: 24-12-2025");
    }
    void listText()
    {
        QFETCH(QString, entry);
        QFETCH(QString, text);
        QCOMPARE(Chart::ListHoverText(History::ReadEntryLine(entry.toStdString()),
                                      Support::RegionalSettings::Dutch(), Support::Language::Dutch),
                 text);
    }

    void emptySeries()
    {
        const auto scale = Chart::MakeScale(History::EntryList(), 100, 80);
        QCOMPARE(Chart::ValueTextAtX({}, scale, 50), std::string());
        QCOMPARE(Chart::SeriesHeightAtX({}, scale, 50), 0);
        QVERIFY(
            Chart::PlotHoverText({}, scale, 50, Support::RegionalSettings::Dutch(), Support::Language::Dutch)
                .startsWith("Koers: \r\n"));
    }
};

QTEST_GUILESS_MAIN(TestHover)
#include "tst_hover.moc"
