// When a quote download is due.
#include "quotes/DownloadSchedule.h"

#include <QTest>

using Quotes::DownloadDue;

namespace {
// 4 June 2012 is a Monday, 10 June a Sunday.
QDateTime At(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2012, 6, day), QTime(hour, minute, second));
}
} // namespace

class TestDownloadSchedule : public QObject
{
    Q_OBJECT
private slots:
    void due_data();
    void due();
};

void TestDownloadSchedule::due_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("last"); // invalid: no success yet
    QTest::addColumn<bool>("due");

    QTest::newRow("Sunday start-up") << At(10, 14, 0) << QDateTime() << true;
    QTest::newRow("Sunday after a success that day") << At(10, 14, 1) << At(10, 14, 0) << false;
    QTest::newRow("Sunday, last success on Saturday") << At(10, 0, 0, 30) << At(9, 23, 59) << true;
    QTest::newRow("Monday just after midnight") << At(11, 0, 0, 30) << At(10, 14, 0) << true;
    QTest::newRow("09:00:30 after a success today") << At(5, 9, 0, 30) << At(5, 8, 0) << false;
    QTest::newRow("09:00:30 after a success yesterday") << At(5, 9, 0, 30) << At(4, 17, 34) << true;
    QTest::newRow("09:00:30 at start-up") << At(5, 9, 0, 30) << QDateTime() << true;
    QTest::newRow("09:01") << At(5, 9, 1) << At(5, 9, 0) << true;
    QTest::newRow("12:00") << At(5, 12, 0) << At(5, 11, 59) << true;
    QTest::newRow("17:34:59") << At(5, 17, 34, 59) << At(5, 17, 34) << true;
    QTest::newRow("17:35") << At(5, 17, 35) << At(5, 17, 34) << false;
    QTest::newRow("20:00 after a success today") << At(5, 20, 0) << At(5, 17, 34) << false;
    QTest::newRow("20:00 without a success today") << At(5, 20, 0) << At(4, 17, 34) << true;
    QTest::newRow("Friday 17:34") << At(8, 17, 34) << At(8, 17, 33) << true;
    QTest::newRow("Saturday 12:00 after a success today") << At(9, 12, 0) << At(9, 0, 1) << false;
    QTest::newRow("a success weeks ago")
        << At(5, 20, 0) << QDateTime(QDate(2012, 5, 1), QTime(12, 0)) << true;
}

void TestDownloadSchedule::due()
{
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, last);
    QTEST(DownloadDue(now, last), "due");
}

QTEST_GUILESS_MAIN(TestDownloadSchedule)
#include "tst_downloadschedule.moc"
