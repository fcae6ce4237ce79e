// The session's quote download against a scripted quote site: the request, the quote and the
// status line it reports, the series it writes and rolls, and the schedule. A download that
// gives no quote changes nothing but the status line.
#include "quotes/StatusLine.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QtTest>

using Quotes::Black;
using Quotes::Blue;
using Quotes::Green;
using Quotes::Red;

namespace {

// Thursday 7 June 2012, day 41067; the history ends the day before. With 35 days the series
// shows Today - 4 ... Today + 31.
constexpr int Today = 41067;
const QString QuoteSite = QStringLiteral("http://koersen.test/");

std::string QuotePage(const std::string& time, const std::string& quote)
{
    return "<html><body><div>Beurs;07-06-12 " + time + "<a href=\"/\">HOME</a></div>\n<p>AEX" + quote +
           "</p></body></html>";
}
const std::string FirstPage = QuotePage("10:15", " 312,45 (+1,20) 0,39%");

QStringList Days(int first, int last, const QString& value)
{
    QStringList list;
    for (int day = first; day <= last; ++day)
        list << QStringLiteral("%1 - %2").arg(day).arg(value);
    return list;
}

QStringList Items(const Session& session)
{
    QStringList list;
    for (const std::string& item : session.Series().Items())
        list << item.c_str();
    return list;
}

QStringList Fields(const LatestQuote& q)
{
    QStringList fields;
    for (const std::string* field : {&q.date, &q.time, &q.value, &q.change, &q.percent, &q.previousValue})
        fields << field->c_str();
    return fields << q.lastDownload.toString(Qt::ISODate);
}

// The three labels' texts and colours ("" where the label keeps its colour).
QStringList Shown(const Quotes::StatusLine& line)
{
    QStringList shown;
    for (const Quotes::StatusLabel* label : {&line.aex, &line.koers, &line.time})
        shown << label->text.c_str() << (label->colour ? label->colour->name() : QString());
    return shown;
}
const QStringList FailedLine = {"", "", "", "", "Het downloaden van de AEX is niet gelukt.", "#000000"};

// A session over the scripted quote site, loaded; its signals recorded from the last download on.
struct Loaded
{
    Loaded() { session.Start(); }
    void Download(const std::string& page)
    {
        for (QSignalSpy* spy : {&status, &timer, &rows, &series})
            spy->clear();
        site.Answer(page);
        session.DownloadQuote();
    }
    QStringList Status() const
    {
        return status.size() == 1 ? Shown(status[0][0].value<Quotes::StatusLine>()) : QStringList();
    }
    TestSupport::ScriptedFetcher site;
    ProgramSettings settings;
    Session session{TestSupport::Facts(), settings, site};
    QSignalSpy status{&session, &Session::statusChanged};
    QSignalSpy timer{&session, &Session::downloadTimerSet};
    QSignalSpy rows{&session, &Session::rowSelected};
    QSignalSpy series{&session, &Session::seriesChanged};
};

} // namespace

class TestSessionQuotes : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(QDate(2012, 6, 7), QTime(10, 15)));
        const QStringList history = Days(Today - 40, Today - 1, "300,00");
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       (history.join("\r\n") + "\r\n").toLatin1()));
        WindowSettings window;
        window.dagen = 35;
        ProgramSettings().WriteWindow(window);
        QSettings(TestSupport::IniPath(), QSettings::IniFormat).setValue("Sources/QuoteSite", QuoteSite);
    }
    void cleanup() { Support::Clock::Reset(); }

    void quote_data()
    {
        QTest::addColumn<int>("earlier");  // minutes since an earlier quote; 0: none since loading
        QTest::addColumn<int>("dayCount"); // since then
        QTest::addColumn<QString>("quote");
        QTest::addColumn<QColor>("aex");
        QTest::addColumn<QColor>("koers");
        QTest::addColumn<QStringList>("items");

        const auto rolled = [](const QString& value) {
            return Days(Today - 3, Today - 1, "300,00") + Days(Today, Today + 32, value);
        };
        // The first quote after loading rolls the series on by a day; later ones write into it.
        QTest::newRow("first after loading")
            << 0 << 35 << " 312,45 (+1,20) 0,39%" << Green << Black << rolled("312,45");
        QTest::newRow("higher") << 1 << 35 << " 313,00 (+1,75) 0,56%" << Green << Green << rolled("313,00");
        QTest::newRow("equal") << 1 << 35 << " 312,45 (+1,20) 0,39%" << Green << Blue << rolled("312,45");
        QTest::newRow("lower, market down")
            << 1 << 35 << " 310,00 (-1,25) -0,40%" << Red << Red << rolled("310,00");
        QTest::newRow("market unchanged")
            << 1 << 35 << " 311,25 (0,00) 0,00%" << Blue << Red << rolled("311,25");
        QTest::newRow("a larger day count rolls again")
            << 1 << 42 << " 312,50 (+1,25) 0,40%" << Green << Green
            << Days(Today - 8, Today - 1, "300,00") + Days(Today, Today + 33, "312,50");
        QTest::newRow("next day: the day before keeps its quote")
            << 24 * 60 << 35 << " 312,50 (+1,25) 0,40%" << Green << Green
            << Days(Today - 3, Today - 1, "300,00") + Days(Today, Today, "312,45") +
                   Days(Today + 1, Today + 32, "312,50");
    }
    void quote()
    {
        QFETCH(int, earlier);
        QFETCH(int, dayCount);
        QFETCH(QString, quote);
        QFETCH(QColor, aex);
        QFETCH(QColor, koers);
        Loaded loaded;
        QCOMPARE(Items(loaded.session).mid(0, 4), Days(Today - 4, Today - 1, "300,00"));
        if (earlier > 0) {
            loaded.Download(FirstPage);
            loaded.session.ChangeDayCount(dayCount);
            Support::Clock::Advance(earlier * 60000);
        }
        QCOMPARE(loaded.session.RollPending(), earlier == 0 || dayCount != 35);
        const std::size_t fetches = loaded.site.Requests().size();
        loaded.Download(QuotePage("10:16", quote.toStdString()));

        QCOMPARE(loaded.site.Requests().size(), fetches + 1);
        const Quotes::FetchRequest& request = loaded.site.Requests().back();
        QCOMPARE(QString::fromStdString(request.url), QuoteSite + "index.php?type=main");
        QCOMPARE(request.access, Quotes::INTERNET_OPEN_TYPE_PRECONFIG);
        QCOMPARE(request.options.totalTimeoutMs, 12000);
        QCOMPARE(loaded.timer, QList<QVariantList>{{60000}});
        // The pieces as cut, blanks included; the value is the one the next quote is held against.
        const QString value = quote.section('(', 0, 0);
        const QString change = quote.section(' ', 2, 2);
        const QString percent = " " + quote.section(' ', 3);
        QCOMPARE(Fields(loaded.session.Quote()),
                 QStringList({"07-06-2012", " 10:16", value, change, percent, value,
                              Support::Clock::Now().toString(Qt::ISODate)}));
        const QString koersText = value + " " + change + " " + percent + " ";
        QCOMPARE(loaded.Status(),
                 QStringList({"AEX: ", aex.name(), koersText, koers.name(), "07-06-2012 10:16", ""}));

        // The day the first roll took off (held back, not in the stored history) does not come
        // back when the series grows: it runs from Today - 9 with Today - 4 missing.
        QEXPECT_FAIL("a larger day count rolls again", "growing skips a rolled-off held-back day", Continue);
        QTEST(Items(loaded.session), "items");
        QVERIFY(!loaded.session.RollPending());
        QCOMPARE(loaded.rows.size(), 1); // today's, not centred
        QCOMPARE(Items(loaded.session).value(loaded.rows[0][0].toInt()).left(5).toInt(),
                 Support::TodayDayNumber());
        QVERIFY(!loaded.rows[0][1].toBool());
        QCOMPARE(loaded.series.size(), 1);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("page"); // empty: nothing came
        QTest::addColumn<bool>("afterQuote");

        const auto page = [](const std::string& quote, const std::string& time = "10:15") {
            return QByteArray::fromStdString(QuotePage(time, quote));
        };
        QTest::newRow("nothing came") << QByteArray() << true;
        QTest::newRow("an error page") << QByteArray("<h1>503 Service Unavailable</h1>") << true;
        QTest::newRow("an invalid time") << page(" 312,45 (+1,20) 0,39%", "99:15") << true;
        QTest::newRow("a value of zero") << page(" 0,0 (+1,20) 0,39%") << true;
        QTest::newRow("a value of words") << page(" --- (+1,20) 0,39%") << true;
        QTest::newRow("65536,00 after days of 300,00") << page(" 65536,00 (+1,20) 0,39%") << true;
        QTest::newRow("twenty digits") << page(" 99999999999999999999,99 (+1,20) 0,39%") << true;
        QTest::newRow("22 decimals") << page(" 312,4500000000000000000000 (+1,20) 0,39%") << true;
        QTest::newRow("first download, nothing came") << QByteArray() << false;
        QTest::newRow("first download, a value of words") << page(" --- (+1,20) 0,39%") << false;
    }
    void failures()
    {
        QFETCH(QByteArray, page);
        QFETCH(bool, afterQuote);
        Loaded loaded;
        if (afterQuote) {
            loaded.Download(FirstPage);
            loaded.session.ChangeDayCount(42); // the next quote rolls again
            Support::Clock::Advance(60000);
        }
        const QStringList items = Items(loaded.session);
        const QStringList quote = Fields(loaded.session.Quote());
        QVERIFY(loaded.session.RollPending());
        QCOMPARE(loaded.session.Quote().lastDownload.isValid(), afterQuote);

        loaded.Download(page.toStdString());
        QCOMPARE(loaded.timer, QList<QVariantList>{{60000}});
        QCOMPARE(loaded.Status(), FailedLine);
        // Nothing else changes.
        QCOMPARE(Items(loaded.session), items);
        QCOMPARE(Fields(loaded.session.Quote()), quote);
        QVERIFY(loaded.session.RollPending());
        QVERIFY(loaded.rows.isEmpty());
        QVERIFY(loaded.series.isEmpty());

        // The next quote is coloured against the last good one.
        loaded.Download(QuotePage("10:16", " 312,50 (+1,25) 0,40%"));
        QCOMPARE(loaded.Status().value(3), (afterQuote ? Green : Black).name());
    }

    void downloadDue_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("last"); // invalid: no quote yet
        QTest::addColumn<bool>("due");

        const auto june = [](int day, int hour, int minute, int second = 0) {
            return QDateTime(QDate(2012, 6, day), QTime(hour, minute, second));
        };
        QTest::newRow("start-up in the evening") << june(7, 20, 0) << QDateTime() << true;
        QTest::newRow("evening after a quote today") << june(7, 20, 0) << june(7, 17, 34) << false;
        QTest::newRow("trading hours") << june(7, 12, 0) << june(7, 11, 59) << true;
        QTest::newRow("09:00 after a quote today") << june(7, 9, 0, 30) << june(7, 0, 0, 1) << false;
        QTest::newRow("Sunday after a quote that day") << june(10, 12, 0) << june(10, 0, 0, 1) << false;
    }
    void downloadDue()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, last);
        Loaded loaded;
        if (last.isValid()) {
            Support::Clock::Set(last);
            loaded.Download(FirstPage);
            QCOMPARE(loaded.session.Quote().lastDownload, last);
        }
        Support::Clock::Set(now);
        QTEST(loaded.session.DownloadDue(), "due");
    }
};

QTEST_MAIN(TestSessionQuotes)
#include "tst_sessionquotes.moc"
