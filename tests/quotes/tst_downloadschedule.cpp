// When a quote download is due, and when a failed one is tried again.
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
    void due_data()
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

        // A closing day of the exchange counts as a Saturday: one download a day.
        const auto on = [](int year, int month, int day, int hour, int minute) {
            return QDateTime(QDate(year, month, day), QTime(hour, minute));
        };
        QTest::newRow("Good Friday 10:15 at start-up") << on(2025, 4, 18, 10, 15) << QDateTime() << true;
        QTest::newRow("Good Friday 10:16 after a success that day")
            << on(2025, 4, 18, 10, 16) << on(2025, 4, 18, 10, 15) << false;
        QTest::newRow("Easter Monday 12:00 after a success that day")
            << on(2025, 4, 21, 12, 0) << on(2025, 4, 21, 9, 30) << false;
        QTest::newRow("Tuesday after Easter 09:01") << on(2025, 4, 22, 9, 1) << on(2025, 4, 22, 9, 0) << true;
        QTest::newRow("1 May 11:00 after a success that day")
            << on(2026, 5, 1, 11, 0) << on(2026, 5, 1, 10, 0) << false;
        QTest::newRow("Christmas 12:00 after a success that day")
            << on(2025, 12, 25, 12, 0) << on(2025, 12, 25, 0, 1) << false;
        QTest::newRow("Boxing Day just after midnight")
            << on(2025, 12, 26, 0, 1) << on(2025, 12, 25, 0, 1) << true;
        QTest::newRow("New Year's Day 10:00 after a success that day")
            << on(2026, 1, 1, 10, 0) << on(2026, 1, 1, 9, 0) << false;
        // Half days: minute downloads up to five minutes after the close at 14:05.
        QTest::newRow("Christmas Eve 14:05") << on(2025, 12, 24, 14, 5) << on(2025, 12, 24, 14, 4) << true;
        QTest::newRow("Christmas Eve 14:09") << on(2025, 12, 24, 14, 9) << on(2025, 12, 24, 14, 8) << true;
        QTest::newRow("Christmas Eve 14:10") << on(2025, 12, 24, 14, 10) << on(2025, 12, 24, 14, 9) << false;
        QTest::newRow("Christmas Eve 17:00") << on(2025, 12, 24, 17, 0) << on(2025, 12, 24, 14, 9) << false;
        QTest::newRow("New Year's Eve 14:10") << on(2025, 12, 31, 14, 10) << on(2025, 12, 31, 14, 9) << false;
        QTest::newRow("23 December 17:34") << on(2025, 12, 23, 17, 34) << on(2025, 12, 23, 17, 33) << true;
        QTest::newRow("Christmas Eve on a Saturday")
            << on(2022, 12, 24, 12, 0) << on(2022, 12, 24, 9, 0) << false;
    }
    void due()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, last);
        QTEST(DownloadDue(now, last), "due");
    }

    // A failed fetch is retried every minute in trading hours; outside them ever later, up to an hour.
    void retry_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("last"); // the last success; invalid: none yet
        QTest::addColumn<int>("failures");
        QTest::addColumn<QDateTime>("lastAttempt");
        QTest::addColumn<int>("delay"); // minutes
        QTest::addColumn<bool>("due");

        // Trading hours: a minute, however many failed.
        QTest::newRow("10:15, first failure")
            << At(5, 10, 15) << At(5, 10, 13) << 1 << At(5, 10, 14) << 1 << true;
        QTest::newRow("10:15, twentieth failure")
            << At(5, 10, 15) << At(4, 17, 0) << 20 << At(5, 10, 14) << 1 << true;
        QTest::newRow("10:15, a timer a second early")
            << At(5, 10, 14, 59) << At(5, 10, 0) << 3 << At(5, 10, 14) << 1 << true;
        QTest::newRow("10:15, half a minute after")
            << At(5, 10, 14, 30) << At(5, 10, 0) << 3 << At(5, 10, 14) << 1 << false;
        // Outside them: 1, 2, 5, 15, 60, 60 minutes.
        QTest::newRow("night, no failure") << At(5, 23, 0) << At(4, 17, 0) << 0 << QDateTime() << 0 << true;
        QTest::newRow("night, first failure")
            << At(5, 23, 1) << At(4, 17, 0) << 1 << At(5, 23, 0) << 1 << true;
        QTest::newRow("night, second failure, 1 minute")
            << At(5, 23, 1) << At(4, 17, 0) << 2 << At(5, 23, 0) << 2 << false;
        QTest::newRow("night, second failure, 2 minutes")
            << At(5, 23, 2) << At(4, 17, 0) << 2 << At(5, 23, 0) << 2 << true;
        QTest::newRow("night, third failure, 4 minutes")
            << At(5, 23, 4) << At(4, 17, 0) << 3 << At(5, 23, 0) << 5 << false;
        QTest::newRow("night, fourth failure, 15 minutes")
            << At(5, 23, 15) << At(4, 17, 0) << 4 << At(5, 23, 0) << 15 << true;
        QTest::newRow("night, fifth failure, 59 minutes")
            << At(5, 23, 59) << At(4, 17, 0) << 5 << At(5, 23, 0) << 60 << false;
        QTest::newRow("night, ninth failure, an hour")
            << At(6, 0, 0) << At(4, 17, 0) << 9 << At(5, 23, 0) << 60 << true;
        QTest::newRow("Sunday noon, fifth failure")
            << At(10, 12, 30) << At(9, 12, 0) << 5 << At(10, 12, 0) << 60 << false;
        // The back-off ends with trading hours: 09:01 is tried a minute after 09:00.
        QTest::newRow("09:01 after a night of failures")
            << At(5, 9, 1) << At(4, 17, 0) << 12 << At(5, 9, 0) << 1 << true;
        // Not due by the schedule, whatever the failures say.
        QTest::newRow("night, a success today")
            << At(5, 23, 0) << At(5, 17, 34) << 3 << At(5, 20, 0) << 5 << false;
        QTest::newRow("clock set back") << At(5, 22, 0) << At(4, 17, 0) << 5 << At(5, 23, 0) << 60 << true;
        // A closing day has no trading hours: its failures back off as on a Saturday.
        const QDate goodFriday(2025, 4, 18);
        QTest::newRow("Good Friday 10:15, second failure")
            << QDateTime(goodFriday, QTime(10, 15)) << QDateTime() << 2
            << QDateTime(goodFriday, QTime(10, 14)) << 2 << false;
        QTest::newRow("Christmas Eve 14:30, second failure")
            << QDateTime(QDate(2025, 12, 24), QTime(14, 30)) << QDateTime(QDate(2025, 12, 23), QTime(17, 34))
            << 2 << QDateTime(QDate(2025, 12, 24), QTime(14, 29)) << 2 << false;
    }
    void retry()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, last);
        QFETCH(int, failures);
        QFETCH(QDateTime, lastAttempt);
        QTEST(Quotes::RetryDelayMinutes(now, failures), "delay");
        QTEST(Quotes::FetchDue(now, last, {failures, lastAttempt}), "due");
    }

    // A closing day from the user's list (group "Beurs", key "Gesloten") and an exception ("Open").
    void userCalendar()
    {
        const QDateTime wednesday(QDate(2026, 3, 4), QTime(11, 0));
        const QDateTime earlier(QDate(2026, 3, 4), QTime(10, 0));
        const QDateTime easterMonday(QDate(2026, 4, 6), QTime(11, 0));
        const QDateTime easterEarlier(QDate(2026, 4, 6), QTime(10, 0));
        const Support::ExchangeCalendar lists =
            Support::ExchangeCalendar::WithLists({"2026-03-04"}, {"2026-04-06"});
        QVERIFY(DownloadDue(wednesday, earlier));
        QVERIFY(!DownloadDue(wednesday, earlier, lists));
        QVERIFY(!DownloadDue(easterMonday, easterEarlier));
        QVERIFY(DownloadDue(easterMonday, easterEarlier, lists));
        // The calendar in force is the one the schedule asks when given none.
        Support::SetExchange(lists);
        QVERIFY(!DownloadDue(wednesday, earlier));
        QVERIFY(Quotes::RetryDelayMinutes(wednesday, 2) == 2);
        Support::SetExchange({});
        QVERIFY(DownloadDue(wednesday, earlier));
    }
};

QTEST_GUILESS_MAIN(TestDownloadSchedule)
#include "tst_downloadschedule.moc"
