// The built program under a fake clock, its sources at loopback servers: on Good Friday it asks
// for the quote once, not every minute; and a quote that crosses a trend line drawn over today
// warns once through the program's alert seam (the tests' program records what goes through it),
// while a later quote on the same side does not warn again.
#include "support/Clock.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QDateTime>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

namespace {

// The starter history's last day.
const QDate StarterEnd(2026, 2, 10);

// The list of closes of every weekday after the starter history up to `last`, which closes at
// `lastClose`; the days before move gently around 1000.
QByteArray CloseList(const QDate& last, const QByteArray& lastClose)
{
    QByteArray list;
    for (QDate date = StarterEnd.addDays(1); date <= last; date = date.addDays(1)) {
        if (date.dayOfWeek() > Qt::Friday)
            continue;
        const QByteArray close =
            date == last ? lastClose : QByteArray::number(1000 + (date.day() % 7) * 1.25, 'f', 2);
        list += date.toString("yyMMdd").toLatin1() + ":aex-index " + close + "\n";
    }
    return list;
}

// The quote site's mobile page with the AEX at `value` ("1010,00"), quoted at `moment`.
QByteArray QuotePage(const QDateTime& moment, const QByteArray& value)
{
    return "<html><body><div>Beurs;" + moment.toString("dd-MM-yy HH:mm").toLatin1() +
           "<a href=\"index.php?type=main\">HOME</a></div><table><tr><td>AEX</td><td> " + value +
           " </td><td>(+1,00)</td><td> 0,10%</td></tr></table></body></html>";
}

} // namespace

class TestCalendarAlerts : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
    }

    // Good Friday 3 April 2026 at 10:15: a closing day counts as a Saturday, so after the
    // day's quote nothing is asked for three minutes (it used to be once a minute).
    void goodFridayAsksOnce()
    {
        const QDate goodFriday(2026, 4, 3);
        LoopbackServer list, quotes;
        list.Serve(LoopbackReply::Page(CloseList(goodFriday.addDays(-1), "1001.50")));
        quotes.Serve(
            LoopbackReply::Page(QuotePage(QDateTime(goodFriday.addDays(-1), QTime(17, 35)), "1001,50")));
        UseSites(list, quotes);
        QTemporaryDir folder;
        QProcess program;
        QVERIFY(Started(program, folder, QDateTime(goodFriday, QTime(10, 15)), nullptr));
        QTRY_VERIFY_WITH_TIMEOUT(quotes.RequestCount() > 0, 20000);
        QTest::qWait(3500); // three and a half minutes on the program's clock
        QVERIFY(TestSupport::ClosedNormally(program));
        QCOMPARE(quotes.RequestCount(), 1);
    }

    // Wednesday 4 March 2026: the green line lies flat at 1005 over today, the close before
    // today is 1000. A quote of 1010 crosses it: one alert with its text. The quotes of 1012
    // after it stay on the same side: no other alert. The red and blue lines' alerts are off.
    void crossingWarnsOnce()
    {
        const QDate wednesday(2026, 3, 4);
        LoopbackServer list, quotes;
        list.Serve(LoopbackReply::Page(CloseList(wednesday.addDays(-1), "1000.00")));
        quotes.Serve(LoopbackReply::Page(QuotePage(QDateTime(wednesday, QTime(9, 59)), "1010,00")));
        UseSites(list, quotes);
        TestSupport::StoreDefaults({{"Shape3-Left", Support::DayNumber(wednesday.addDays(-2))},
                                    {"Shape3-Top", "1005,0000"},
                                    {"Shape4-Left", Support::DayNumber(wednesday.addDays(16))},
                                    {"Shape4-Top", "1005,0000"},
                                    {"Waarschuw-Rood", false},
                                    {"Waarschuw-Blauw", false}});
        QTemporaryDir folder;
        const QString alerts = folder.filePath("alerts.txt");
        QProcess program;
        QVERIFY(Started(program, folder, QDateTime(wednesday, QTime(10, 0)), &alerts));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(alerts), 20000);
        QCOMPARE(AlertLines(alerts),
                 QStringList{"De AEX (1010,00) is boven de groene lijn (1005,00) gekomen."});

        quotes.Serve(LoopbackReply::Page(QuotePage(QDateTime(wednesday, QTime(10, 1)), "1012,00")));
        QTRY_VERIFY_WITH_TIMEOUT(quotes.RequestCount() >= 2, 20000); // two more quotes, a minute apart
        QTest::qWait(300);
        QVERIFY(TestSupport::ClosedNormally(program));
        QCOMPARE(AlertLines(alerts),
                 QStringList{"De AEX (1010,00) is boven de groene lijn (1005,00) gekomen."});
        // The switches stay as they were set; none was written for the green line.
        QSettings ini(TestSupport::IniPath(), QSettings::IniFormat);
        QCOMPARE(ini.value("Defaults/Waarschuw-Rood").toBool(), false);
        QVERIFY(ini.value("Defaults/Waarschuw-Groen", true).toBool());
    }

private:
    // The quote page and the list (the sources a test's settings name) at `quotes` and `list`.
    static void UseSites(const LoopbackServer& list, const LoopbackServer& quotes)
    {
        QSettings ini(TestSupport::IniPath(), QSettings::IniFormat);
        ini.setValue("Sources/QuoteSite", quotes.Url("/"));
        ini.setValue("Sources/ClosingPricesSite", list.Url("/"));
    }
    // The tests' program in a folder of its own with the shipped starter history, its clock
    // from `start` on at 60 times the real pace; alerts recorded in `alertLog` when given.
    static bool Started(QProcess& program, QTemporaryDir& folder, const QDateTime& start,
                        const QString* alertLog)
    {
        TestSupport::SetProgramClock(program, start, 60);
        if (alertLog) {
            QProcessEnvironment environment = program.processEnvironment();
            environment.insert("KOERSZICHT_TEST_ALERT_LOG", *alertLog);
            program.setProcessEnvironment(environment);
        }
        return TestSupport::StartWithStarterHistory(program, folder.path(), TestSupport::TestProgramPath());
    }
    static QStringList AlertLines(const QString& path)
    {
        return QString::fromLatin1(TestSupport::ReadFile(path)).split('\n', Qt::SkipEmptyParts);
    }
};

QTEST_GUILESS_MAIN(TestCalendarAlerts)
#include "tst_calendaralerts.moc"
