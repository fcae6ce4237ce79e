// The session's quote download against a scripted quote site: the request, the status line, the
// quote it keeps, the series it writes and rolls, and when the next download is due. The
// trend-line alerts at each quote: what goes through the seam, once per crossing, again after a
// handle moved; lines whose alert is off stay silent; the settings Waarschuw-*; and the user's
// closing days of group "Beurs" put in force.
#include "quotes/StatusLine.h"
#include "session/Session.h"
#include "support/Clock.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QtTest>

using Quotes::Black;
using Quotes::Green;

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
    for (const History::DayEntry& item : session.Series().Items())
        list << QString::fromStdString(History::EntryLine(item));
    return list;
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

// The quote is due by the schedule and the session's last download and failures.
bool QuoteDue(const Session& session)
{
    return Quotes::FetchDue(Support::Clock::Now(), session.Quote().lastDownload, session.Retry());
}

class Recorder : public AlertNotifier
{
public:
    void Notify(const std::string& text) override { heard << QString::fromStdString(text); }
    QStringList heard;
};

void StoreLine(int line, int fromDay, const char* fromValue, int toDay, const char* toValue)
{
    ProgramSettings settings;
    settings.WriteHandle(2 * line, {fromDay, fromValue});
    settings.WriteHandle(2 * line + 1, {toDay, toValue});
}

// A session over the scripted quote site, loaded; its signals recorded from the last download on,
// and the alerts it gave.
struct Loaded
{
    Loaded()
    {
        session.SetAlertNotifier(&recorder);
        site.Settle(&Session::Start, session);
    }
    void Download(const std::string& page)
    {
        for (QSignalSpy* spy : {&status, &timer, &rows, &series})
            spy->clear();
        site.Answer(page);
        site.Settle(&Session::DownloadQuote, session);
    }
    void Quote(const std::string& time, const std::string& value)
    {
        Download(QuotePage(time, " " + value + " (+1,20) 0,39%"));
    }
    QStringList Status() const
    {
        return status.size() == 1 ? Shown(status[0][0].value<Quotes::StatusLine>()) : QStringList();
    }
    TestSupport::ScriptedFetcher site;
    ProgramSettings settings;
    Recorder recorder;
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
        window.dayCount = 35;
        ProgramSettings().WriteWindow(window);
        TestSupport::IniFile().setValue("Sources/QuoteSite", QuoteSite);
    }
    void cleanup()
    {
        Support::Clock::Reset();
        Support::SetExchange({});
    }

    // One download after loading or after a first quote (a minute before, with a larger day count
    // since, or the day before): what it reports, what the session keeps and the series it shows.
    void download_data()
    {
        QTest::addColumn<int>("earlier");  // minutes since a first quote; 0: none since loading
        QTest::addColumn<int>("dayCount"); // since then
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QStringList>("status"); // FailedLine: nothing else changes
        QTest::addColumn<QStringList>("items");

        const auto page = [](const char* quote, const std::string& time = "10:16") {
            return QByteArray::fromStdString(QuotePage(time, quote));
        };
        const auto line = [](const QColor& aex, const QString& koers, const QColor& koersColour) {
            return QStringList({"AEX: ", aex.name(), koers, koersColour.name(), "07-06-2012 10:16", ""});
        };
        const auto rolled = [](const QString& value) {
            return Days(Today - 3, Today - 1, "300,00") + Days(Today, Today + 32, value);
        };
        // The first quote after loading rolls the series on by a day; later ones write into it. The
        // value is coloured against the one before (equal, lower and the market's move: tst_quotepage).
        QTest::newRow("first after loading")
            << 0 << 35 << page(" 312,45 (+1,20) 0,39%") << line(Green, " 312,45  (+1,20)  0,39% ", Black)
            << rolled("312,45");
        QTest::newRow("higher") << 1 << 35 << page(" 313,00 (+1,75) 0,56%")
                                << line(Green, " 313,00  (+1,75)  0,56% ", Green) << rolled("313,00");
        QTest::newRow("a larger day count rolls again")
            << 1 << 42 << page(" 312,50 (+1,25) 0,40%") << line(Green, " 312,50  (+1,25)  0,40% ", Green)
            << Days(Today - 8, Today - 1, "300,00") + Days(Today, Today + 33, "312,50");
        QTest::newRow("next day: the day before keeps its quote")
            << 24 * 60 << 35 << page(" 312,50 (+1,25) 0,40%")
            << line(Green, " 312,50  (+1,25)  0,40% ", Green)
            << Days(Today - 3, Today - 1, "300,00") + Days(Today, Today, "312,45") +
                   Days(Today + 1, Today + 32, "312,50");

        // A failed download, after a quote and a larger day count (the next quote rolls) or after loading.
        const auto fails = [](const char* tag, const QByteArray& page, int earlier = 1) {
            QTest::newRow(tag) << earlier << 42 << page << FailedLine << QStringList();
        };
        // Which pages do not read: tst_quotepage; here one of them, and a value far off the
        // history the session holds it against.
        fails("nothing came", QByteArray());
        fails("an error page", "<h1>503 Service Unavailable</h1>");
        fails("65536,00 after days of 300,00", page(" 65536,00 (+1,20) 0,39%"));
        fails("first download, nothing came", QByteArray(), 0);
    }
    void download()
    {
        QFETCH(int, earlier);
        QFETCH(int, dayCount);
        QFETCH(QByteArray, page);
        QFETCH(QStringList, status);
        Loaded loaded;
        if (earlier > 0) {
            loaded.Download(FirstPage);
            loaded.session.ChangeDayCount(dayCount);
            Support::Clock::Advance(earlier * 60000);
        }
        QCOMPARE(loaded.session.RollPending(), earlier == 0 || dayCount != 35);
        const QStringList items = Items(loaded.session);
        const LatestQuote quote = loaded.session.Quote();
        loaded.Download(page.toStdString());

        const Quotes::FetchRequest& request = loaded.site.Requests().back();
        QCOMPARE(QString::fromStdString(request.url), QuoteSite + "index.php?type=main");
        QCOMPARE(request.access, Quotes::INTERNET_OPEN_TYPE_PRECONFIG);
        QCOMPARE(request.options.totalTimeoutMs, 12000);
        QCOMPARE(loaded.timer, QList<QVariantList>{{60000}});
        QCOMPARE(loaded.Status(), status);
        const LatestQuote& latest = loaded.session.Quote();
        if (status == FailedLine) {
            // Nothing else changes: the series, the quote, the roll, the schedule.
            QCOMPARE(Items(loaded.session), items);
            QCOMPARE(latest.value + latest.previousValue, quote.value + quote.previousValue);
            QCOMPARE(latest.lastDownload, quote.lastDownload);
            QVERIFY(loaded.session.RollPending());
            QVERIFY(loaded.rows.isEmpty() && loaded.series.isEmpty());
            Support::Clock::Set(QDateTime(Support::Clock::Today(), QTime(20, 0)));
            QCOMPARE(QuoteDue(loaded.session), earlier == 0); // no quote today
            // The next quote is coloured against the last good one.
            loaded.Download(QuotePage("10:17", " 312,50 (+1,25) 0,40%"));
            QCOMPARE(loaded.Status().value(3), (earlier > 0 ? Green : Black).name());
            return;
        }
        // The value is what the next quote is held against; the moment is where the schedule counts from.
        QCOMPARE(latest.previousValue, latest.value);
        QCOMPARE(latest.lastDownload, Support::Clock::Now());
        if (earlier == 0)
            QCOMPARE(latest.date + "|" + latest.time + "|" + latest.value + "|" + latest.change + "|" +
                         latest.percent,
                     std::string("07-06-2012| 10:16| 312,45 |(+1,20)| 0,39%"));
        QTEST(Items(loaded.session), "items");
        QVERIFY(!loaded.session.RollPending());
        QCOMPARE(loaded.rows.size(), 1); // today's, not centred
        QCOMPARE(Items(loaded.session).value(loaded.rows[0][0].toInt()).left(5).toInt(),
                 Support::TodayDayNumber());
        QVERIFY(!loaded.rows[0][1].toBool());
        QCOMPARE(loaded.series.size(), 1);
        // In the evening no quote is due after a quote that day (the day's close is).
        Support::Clock::Set(QDateTime(Support::Clock::Today(), QTime(20, 0)));
        QVERIFY(!QuoteDue(loaded.session));
    }

    // A quote is applied to the session as it is when the quote arrives: a day count changed
    // while the fetch ran gives what the same change before the fetch would have given.
    void quoteArrivesAfterADayCountChange_data()
    {
        QTest::addColumn<int>("dayCount");
        QTest::newRow("unchanged") << 35;
        QTest::newRow("larger") << 42;
        QTest::newRow("smaller") << 28;
    }
    void quoteArrivesAfterADayCountChange()
    {
        QFETCH(int, dayCount);
        Loaded late;
        late.site.SetHolding(true);
        late.Download(FirstPage);
        QVERIFY(late.session.Busy());
        QVERIFY(!late.session.DownloadDue());
        late.session.ChangeDayCount(dayCount);
        QVERIFY(late.site.Release());
        QVERIFY(!late.session.Busy());

        Loaded first;
        first.session.ChangeDayCount(dayCount);
        first.Download(FirstPage);
        QCOMPARE(Items(late.session), Items(first.session));
        QCOMPARE(late.Status(), first.Status());
        QCOMPARE(late.session.Quote().value, first.session.Quote().value);
    }

    // A quote dated before the newest stored close, or after today, is shown with its own date
    // but not written into the series; a quote of today after it is taken as ever.
    void quoteOfAnotherDay_data()
    {
        QTest::addColumn<QString>("date");
        QTest::newRow("before the newest close") << "05-06-12";
        QTest::newRow("tomorrow") << "08-06-12";
    }
    void quoteOfAnotherDay()
    {
        QFETCH(QString, date);
        Loaded loaded;
        const QStringList items = Items(loaded.session);
        loaded.Download(QuotePage("10:15", " 312,45 (+1,20) 0,39%").replace(23, 8, date.toStdString()));
        QCOMPARE(loaded.Status().value(4), date.left(6) + "20" + date.right(2) + " 10:15");
        QCOMPARE(Items(loaded.session), items);
        QVERIFY(loaded.session.RollPending());
        Support::Clock::Advance(60000);
        loaded.Download(QuotePage("10:16", " 313,00 (+1,75) 0,56%"));
        QVERIFY(Items(loaded.session).contains(QString("%1 - 313,00").arg(Today)));
    }

    // One quote fetch at a time; a page older than the quote shown changes nothing; closing
    // cancels the fetch on its way; failures are counted until a quote comes.
    void quoteOrder()
    {
        Loaded loaded;
        QSignalSpy busy(&loaded.session, &Session::busyChanged);
        const std::size_t fetches = loaded.site.Requests().size();
        loaded.site.SetHolding(true);
        loaded.Download(QuotePage("10:16", " 312,45 (+1,20) 0,39%"));
        loaded.session.DownloadQuote();
        QCOMPARE(loaded.site.Requests().size(), fetches + 1);
        QVERIFY(loaded.site.Release());
        QCOMPARE(busy, QList<QVariantList>({{true}, {false}}));
        loaded.site.SetHolding(false);

        // The older page: no status, no series change; the site did answer.
        Support::Clock::Advance(60000);
        const QStringList items = Items(loaded.session);
        loaded.Download(QuotePage("10:14", " 310,00 (-1,25) 0,40%"));
        QVERIFY(loaded.status.isEmpty() && loaded.series.isEmpty());
        QCOMPARE(Items(loaded.session), items);
        QCOMPARE(loaded.session.Quote().value, " 312,45 ");
        QCOMPARE(loaded.session.Quote().lastDownload, Support::Clock::Now());

        // Two failures, then a quote.
        for (int failures = 1; failures <= 2; ++failures) {
            Support::Clock::Advance(60000);
            loaded.Download("");
            QCOMPARE(loaded.session.Retry().failures, failures);
            QCOMPARE(loaded.session.Retry().lastAttempt, Support::Clock::Now());
        }
        Support::Clock::Advance(60000);
        loaded.Download(QuotePage("10:19", " 313,00 (+1,75) 0,56%"));
        QCOMPARE(loaded.session.Retry().failures, 0);

        // Closing while a fetch is on its way: it is cancelled, and its answer never applied.
        loaded.site.SetHolding(true);
        Support::Clock::Advance(60000);
        loaded.Download(QuotePage("10:20", " 314,00 (+2,75) 0,88%"));
        QVERIFY(loaded.session.StartClosing());
        QCOMPARE(loaded.site.Cancelled(), 1);
        QVERIFY(!loaded.site.Release());
        QVERIFY(!loaded.session.Busy());
        QCOMPARE(loaded.session.Quote().value, " 313,00 ");
        QVERIFY(!loaded.session.DownloadDue());
    }

    // The first quote is held against the close before today (300,00): 301,00 crossed the line.
    // A handle stored at another place re-arms its line: the fall through the moved line warns.
    void movedHandleRearms()
    {
        // The green line flat at 300,50 from two days ago to five days ahead.
        StoreLine(0, Today - 2, "300,5000", Today + 5, "300,5000");
        Loaded run;
        run.Quote("10:15", "301,00");
        QCOMPARE(run.recorder.heard.size(), 1);
        run.session.StoreHandle(1, {Today + 5, "300,9000"}); // the line now rises to 300,90
        run.Quote("10:16", "300,00");
        QCOMPARE(run.recorder.heard.size(), 2);
        QVERIFY2(run.recorder.heard.last().startsWith("De AEX (300,00) is onder de groene lijn (300,6"),
                 qPrintable(run.recorder.heard.last()));
        QVERIFY(run.recorder.heard.last().endsWith(") gezakt."));
        // Storing the same place again re-arms nothing.
        run.session.StoreHandle(1, {Today + 5, "300,9000"});
        run.Quote("10:17", "299,00");
        QCOMPARE(run.recorder.heard.size(), 2);
    }

    // Off by the setting, or switched off in this run (and stored); the other lines still warn.
    void alertOff()
    {
        StoreLine(0, Today - 2, "300,5000", Today + 5, "300,5000"); // the green line, as above
        TestSupport::IniFile().setValue("Defaults/Waarschuw-Groen", false);
        StoreLine(2, Today - 1, "300,8000", Today + 1, "300,8000");
        Loaded run;
        QVERIFY(!run.session.AlertOn(0));
        run.Quote("10:15", "301,00");
        QCOMPARE(run.recorder.heard,
                 QStringList{"De AEX (301,00) is boven de blauwe lijn (300,80) gekomen."});
        run.session.SetAlertOn(2, false);
        QCOMPARE(TestSupport::IniFile().value("Defaults/Waarschuw-Blauw").toBool(), false);
        run.Quote("10:16", "300,00");
        run.Quote("10:17", "301,00");
        QCOMPARE(run.recorder.heard.size(), 1);
    }

    // Group "Beurs" is read at the start and put in force: Friday 8 June 2012 closed by
    // "Gesloten" and opened again by "Open" trades; 7 June closed by "Gesloten" does not.
    void userClosingDays()
    {
        TestSupport::IniFile().setValue("Beurs/Gesloten", QStringList{"2012-06-07", "2012-06-08"});
        TestSupport::IniFile().setValue("Beurs/Open", "2012-06-08");
        Loaded run;
        QVERIFY(Support::Exchange()->IsClosingDay(QDate(2012, 6, 7)));
        QVERIFY(Support::Exchange()->IsTradingDay(QDate(2012, 6, 8)));
    }
};

QTEST_MAIN(TestSessionQuotes)
#include "tst_sessionquotes.moc"
