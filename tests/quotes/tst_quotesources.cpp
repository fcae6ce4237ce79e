// The sources' addresses: the variables of a template filled in for the days asked, in
// Amsterdam time whatever the machine's zone, and a template that cannot be filled refused.
#include "quotes/QuoteSources.h"
#include "support/Clock.h"

#include <QDateTime>
#include <QTest>
#include <ctime>

namespace {
int Day(int year, int month, int day)
{
    return Support::DayNumber(QDate(year, month, day));
}
QString Epoch(const QDateTime& utc)
{
    return QString::number(utc.toSecsSinceEpoch());
}
} // namespace

class TestQuoteSources : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A machine far from Amsterdam: midnight there is not midnight here.
        qputenv("TZ", "America/New_York");
        tzset();
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

QTEST_GUILESS_MAIN(TestQuoteSources)
#include "tst_quotesources.moc"
