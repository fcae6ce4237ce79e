// The built program on a first start with the shipped starter history, its sources pointed at
// loopback servers that answer as the exchange's download and the chart endpoint do: the
// closing days since the starter history ends reach AEX.dat, and so does today's quote; and
// what lying sources say does not.
#include "support/Clock.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QDateTime>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <map>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

namespace {

// The starter history's last day, 10 February 2026, closed at 1004,14.
const QDate StarterEnd(2026, 2, 10);

// A close for every weekday after the starter history up to the day before `today`, moving gently.
std::map<int, QString> Closes(int today = Support::TodayDayNumber())
{
    std::map<int, QString> closes;
    for (int day = Support::DayNumber(StarterEnd) + 1; day < today; ++day)
        if (Support::DateOfDay(day).dayOfWeek() <= Qt::Friday)
            closes[day] = QString::number(1000 + (day % 13) * 1.5, 'f', 2);
    return closes;
}

QByteArray Download(const std::map<int, QString>& closes)
{
    QByteArray csv =
        "\xEF\xBB\xBF\"Historical Data\"\r\n\"From the start to the end\"\r\n\"NL0000000107\"\r\n"
        "Date;Open;High;Low;Last;Close;\"Number of Shares\";\"Number of Trades\";Turnover;vwap\r\n";
    for (auto it = closes.rbegin(); it != closes.rend(); ++it) {
        const QByteArray close = it->second.toLatin1();
        csv += Support::DateOfDay(it->first).toString("dd/MM/yyyy").toLatin1() + ";" + close + ";" + close +
               ";" + close + ";" + close + ";" + close + ";;;0;\r\n";
    }
    return csv;
}

QByteArray Chart(double price, double previous, qint64 moment = QDateTime::currentSecsSinceEpoch() - 60)
{
    return "{\"chart\":{\"result\":[{\"meta\":{\"symbol\":\"^AEX\",\"exchangeTimezoneName\":\"Europe/"
           "Amsterdam\","
           "\"regularMarketPrice\":" +
           QByteArray::number(price, 'f', 2) + ",\"regularMarketTime\":" + QByteArray::number(moment) +
           ",\"chartPreviousClose\":" + QByteArray::number(previous, 'f', 2) + "}}],\"error\":null}}";
}

} // namespace

class TestSourcesEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::PointSourcesNowhere();
    }

    void firstStartFillsTheHistory()
    {
        const std::map<int, QString> closes = Closes();
        QVERIFY(!closes.empty());
        const double last = closes.rbegin()->second.toDouble();
        LoopbackServer exchange, chart;
        exchange.Serve(LoopbackReply::Page(Download(closes)));
        chart.Serve(LoopbackReply::Page(Chart(last + 7.24, last)));
        UseSources(
            "yahoo-chart", "euronext-csv",
            {{"Source-euronext-csv/Url", exchange.Url("/csv?start={first:yyyy-MM-dd}&end={last:yyyy-MM-dd}")},
             {"Source-yahoo-chart/Url", chart.Url("/chart")}});
        QTemporaryDir folder;
        QProcess program;
        QVERIFY(TestSupport::StartWithStarterHistory(program, folder.path()));
        QTRY_COMPARE_WITH_TIMEOUT(chart.RequestCount(), 1, 20000);
        QTest::qWait(500);
        QVERIFY(TestSupport::ClosedNormally(program));

        // The download was asked from the starter history's newest kept day to today or yesterday.
        const QString target = QString::fromLatin1(exchange.Requests().value(0).target);
        QVERIFY2(
            target.startsWith("/csv?start=2026-01-31&end=" +
                              QDate::currentDate().addDays(-1).toString("yyyy-MM-dd")) ||
                target.startsWith("/csv?start=2026-01-31&end=" + QDate::currentDate().toString("yyyy-MM-dd")),
            qPrintable(target));
        // The program says what it is: such services answer that where they refuse library agents.
        QCOMPARE(exchange.Requests().value(0).Header("User-Agent"),
                 QByteArray("Mozilla/5.0 (compatible; Koerszicht/1.0.0)"));

        std::map<int, QString> written = WrittenHistory();
        QCOMPARE(written[Support::DayNumber(StarterEnd)], QString("1004,14"));
        for (const auto& [day, close] : closes)
            QCOMPARE(written[day], QString(close).replace('.', ','));
        // Every day up to today has a line, and today's holds the quote.
        for (int day = Support::DayNumber(StarterEnd); day <= Support::TodayDayNumber(); ++day)
            QVERIFY2(written.count(day) == 1, qPrintable(QString::number(day)));
        QCOMPARE(written[Support::TodayDayNumber()], QString::number(last + 7.24, 'f', 2).replace('.', ','));
    }

    // Started at 21:00 without any source answering: the back-fill tries again later (its waits
    // pass in seconds on a clock running 60 times as fast), and once the list answers, in the
    // shape it is written in, every weekday of the gap gets its close without a restart.
    void offlineStartFilledLater()
    {
        const QDate today(2026, 3, 4); // a Wednesday
        const std::map<int, QString> closes = Closes(Support::DayNumber(today) + 1);
        QByteArray list;
        for (const auto& [day, close] : closes)
            list += Support::DateOfDay(day).toString("yyMMdd").toLatin1() + ":aex-index " + close.toLatin1() +
                    "\n";
        LoopbackServer site;
        site.Serve(LoopbackReply::Closed());
        UseSources("page", "list", {{"Sources/ClosingPricesSite", site.Url("/")}});
        QTemporaryDir folder;
        QProcess program;
        TestSupport::SetProgramClock(program, QDateTime(today, QTime(21, 0)), 60);
        QVERIFY(TestSupport::StartWithStarterHistory(program, folder.path()));
        QTRY_VERIFY_WITH_TIMEOUT(site.RequestCount() > 0, 20000);
        QTest::qWait(1500);
        site.Serve(LoopbackReply::Page(list)); // the requests counted anew
        QTRY_VERIFY_WITH_TIMEOUT(site.RequestCount() > 0, 20000);
        QTest::qWait(500);
        QVERIFY(TestSupport::ClosedNormally(program));

        const std::map<int, QString> written = WrittenHistory();
        for (const auto& [day, close] : closes)
            QCOMPARE(written.count(day) ? written.at(day) : QString("absent"),
                     QString(close).replace('.', ','));
    }

    // A quote source that answers 429 is asked once per rest over an hour of trading: at the
    // start, after 15 minutes, and after 30 more (the clock runs 240 times as fast).
    void refusingSourceRests()
    {
        LoopbackServer chart;
        chart.Serve(LoopbackReply::Page("Too Many Requests", 429));
        UseSources("yahoo-chart", "list", {{"Source-yahoo-chart/Url", chart.Url("/chart")}});
        QTemporaryDir folder;
        QProcess program;
        TestSupport::SetProgramClock(program, QDateTime(QDate(2026, 3, 4), QTime(10, 0)), 240);
        QVERIFY(TestSupport::StartWithStarterHistory(program, folder.path()));
        QTRY_VERIFY_WITH_TIMEOUT(chart.RequestCount() > 0, 20000);
        QTest::qWait(15000); // an hour
        QVERIFY(TestSupport::ClosedNormally(program));
        QVERIFY2(chart.RequestCount() >= 2 && chart.RequestCount() <= 3,
                 qPrintable(QString::number(chart.RequestCount())));
    }

    // Sources that lie: nothing they say is written into AEX.dat but the closes a source gave
    // honestly (the starter history ends 10 February, 302 days before the quotes' day).
    void lyingSourcesWriteNothingWrong_data()
    {
        QTest::addColumn<QDateTime>("clock");
        QTest::addColumn<QByteArray>("chart");    // the quote source's answer; empty: none asked
        QTest::addColumn<QByteArray>("download"); // the closes' download; empty: none asked
        const QDateTime morning(QDate(2026, 12, 9), QTime(10, 0));
        const qint64 minuteBefore = morning.toSecsSinceEpoch() - 60;
        QTest::newRow("a quote twenty times the last close, after a long gap")
            << morning << Chart(20000, 19900, minuteBefore) << QByteArray();
        const QDateTime evening(QDate(2026, 3, 4), QTime(21, 0));
        QByteArray spliced = Download(Closes(Support::DayNumber(evening.date())));
        spliced.insert(spliced.size() / 2, QByteArray("\0\0;9", 4));
        QTest::newRow("a download with zero bytes") << evening << QByteArray() << spliced;
    }
    void lyingSourcesWriteNothingWrong()
    {
        QFETCH(QDateTime, clock);
        QFETCH(QByteArray, chart);
        QFETCH(QByteArray, download);
        LoopbackServer source;
        source.Serve(LoopbackReply::Page(chart.isEmpty() ? download : chart));
        UseSources(chart.isEmpty() ? "page" : "yahoo-chart", download.isEmpty() ? "list" : "euronext-csv",
                   {{"Source-yahoo-chart/Url", source.Url("/chart")},
                    {"Source-euronext-csv/Url", source.Url("/csv?start={first:yyyy-MM-dd}")}});
        QTemporaryDir folder;
        QProcess program;
        TestSupport::SetProgramClock(program, clock, 1);
        QVERIFY(TestSupport::StartWithStarterHistory(program, folder.path()));
        QTRY_VERIFY_WITH_TIMEOUT(source.RequestCount() > 0, 20000);
        QTest::qWait(1000);
        QVERIFY(TestSupport::ClosedNormally(program));

        const std::map<int, QString> honest =
            download.isEmpty() ? std::map<int, QString>{} : Closes(Support::DayNumber(clock.date()));
        for (const auto& [day, value] : WrittenHistory()) {
            if (day <= Support::DayNumber(StarterEnd) || value == "0,0")
                continue;
            QVERIFY2(honest.count(day) && QString(honest.at(day)).replace('.', ',') == value,
                     qPrintable(QString("%1 - %2").arg(day).arg(value)));
        }
    }

private:
    // The quote's and the closes' sources, and settings of their own.
    static void UseSources(const QString& quote, const QString& closes, const QVariantMap& more)
    {
        QSettings ini(TestSupport::IniPath(), QSettings::IniFormat);
        ini.setValue("Sources/QuoteSources", quote);
        ini.setValue("Sources/ClosingPricesSources", closes);
        for (auto it = more.begin(); it != more.end(); ++it)
            ini.setValue(it.key(), it.value());
    }
    static std::map<int, QString> WrittenHistory()
    {
        std::map<int, QString> written;
        for (const QByteArray& line :
             TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split(' ');
            if (parts.size() == 3)
                written[parts[0].toInt()] = QString::fromLatin1(parts[2]);
        }
        return written;
    }
};

QTEST_GUILESS_MAIN(TestSourcesEndToEnd)
#include "tst_sourcesendtoend.moc"
