// A new quote written into the shown series.
#include "history/HistoryTestSupport.h"
#include "quotes/QuoteSeries.h"

namespace {
// Entries for the days `first` to `last`, each with `value`.
History::EntryList Days(int first, int last, const char* value)
{
    History::EntryList list;
    for (int day = first; day <= last; ++day)
        list.push_back(History::MakeEntry(day, value));
    return list;
}

} // namespace

class TestQuoteSeries : public QObject
{
    Q_OBJECT
private slots:
    void write_data();
    void write();
    void downloadsInARow();
};

void TestQuoteSeries::write_data()
{
    QTest::addColumn<History::EntryList>("items");
    QTest::addColumn<int>("today");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("roll");
    QTest::addColumn<History::EntryList>("expected");
    QTest::addColumn<int>("row");

    const History::EntryList loaded = Days(100, 102, "300,00") + Days(103, 106, "0,0");
    QTest::newRow("today and later get the value")
        << loaded << 103 << "312,45" << false << Days(100, 102, "300,00") + Days(103, 106, "312,45") << 3;
    QTest::newRow("the first download rolls a day")
        << loaded << 103 << "312,45" << true << Days(101, 102, "300,00") + Days(103, 107, "312,45") << 2;
    QTest::newRow("blanks around the value are dropped")
        << loaded << 103 << " 312,45 " << false << Days(100, 102, "300,00") + Days(103, 106, "312,45") << 3;
    QTest::newRow("a later day leaves yesterday alone")
        << Days(100, 102, "300,00") + Days(103, 106, "312,45") << 104 << "315,00" << false
        << Days(100, 102, "300,00") + Days(103, 103, "312,45") + Days(104, 106, "315,00") << 4;
    QTest::newRow("no entry for today: the last one")
        << Days(100, 102, "300,00") << 110 << "312,45" << false
        << Days(100, 101, "300,00") + Days(102, 102, "312,45") << 2;
    QTest::newRow("today's entry first")
        << Days(103, 105, "0,0") << 103 << "312,45" << false << Days(103, 105, "312,45") << 0;
    QTest::newRow("today's entry first, rolled out")
        << Days(103, 105, "0,0") << 103 << "312,45" << true << Days(103, 105, "312,45") << 0;
    QTest::newRow("a single entry rolled")
        << Days(103, 103, "0,0") << 103 << "312,45" << true << Days(103, 103, "312,45") << 0;
    QTest::newRow("empty series") << History::EntryList{} << 103 << "312,45" << true << History::EntryList{}
                                  << -1;
}

void TestQuoteSeries::write()
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

void TestQuoteSeries::downloadsInARow()
{
    // Only the first download after loading rolls; the count then stays.
    History::EntryList series = Days(100, 102, "300,00") + Days(103, 134, "0,0");
    const std::size_t loaded = series.size();
    Quotes::WriteQuoteIntoSeries(series, 103, "310,00", true);
    Quotes::WriteQuoteIntoSeries(series, 103, "311,00", false);
    Quotes::WriteQuoteIntoSeries(series, 103, "312,00", false);
    QCOMPARE(series.size(), loaded);
    QCOMPARE(series, Days(101, 102, "300,00") + Days(103, 135, "312,00"));
}

QTEST_GUILESS_MAIN(TestQuoteSeries)
#include "tst_quoteseries.moc"
