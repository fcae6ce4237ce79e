// The session's trend-line alerts at each quote: what goes through the seam, once per
// crossing, again after the value was back on the first side or a handle moved; lines that do
// not cover today and lines whose alert is off stay silent; the settings Waarschuw-*; and the
// user's closing days of group "Beurs", bad entries passed over.
#include "session/Session.h"
#include "support/Clock.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QtTest>

namespace {

// Thursday 7 June 2012; the history ends the day before at 300,00.
constexpr int Today = 41067;

std::string QuotePage(const std::string& time, const std::string& value)
{
    return "<html><body><div>Beurs;07-06-12 " + time + "<a href=\"/\">HOME</a></div>\n<p>AEX " + value +
           " (+1,20) 0,39%</p></body></html>";
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

struct Loaded
{
    Loaded()
    {
        session.SetAlertNotifier(&recorder);
        site.Settle(&Session::Start, session);
    }
    void Quote(const std::string& time, const std::string& value)
    {
        site.Answer(QuotePage(time, value));
        site.Settle(&Session::DownloadQuote, session);
    }
    TestSupport::ScriptedFetcher site;
    ProgramSettings settings;
    Session session{TestSupport::Facts(), settings, site};
    Recorder recorder;
};

const QString GreenRose = "De AEX (301,00) is boven de groene lijn (300,50) gekomen.";

} // namespace

class TestSessionAlerts : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(QDateTime(QDate(2012, 6, 7), QTime(10, 15)));
        QByteArray history;
        for (int day = Today - 40; day < Today; ++day)
            history += QByteArray::number(day) + " - 300,00\r\n";
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat", history));
        WindowSettings window;
        window.dayCount = 35;
        ProgramSettings().WriteWindow(window);
        TestSupport::IniFile().setValue("Sources/QuoteSite", "http://koersen.test/");
        // The green line flat at 300,50 from two days ago to five days ahead.
        StoreLine(0, Today - 2, "300,5000", Today + 5, "300,5000");
    }
    void cleanup()
    {
        Support::Clock::Reset();
        Support::SetExchange({});
    }

    // The first quote is held against the close before today (300,00): 301,00 crossed the line.
    void warnsOncePerCrossing()
    {
        Loaded run;
        run.Quote("10:15", "301,00");
        QCOMPARE(run.recorder.heard, QStringList{GreenRose});
        run.Quote("10:16", "301,20"); // the same side
        run.Quote("10:17", "300,60"); // back within the margin (300,35 ... 300,65)
        run.Quote("10:18", "300,70"); // above again: no new crossing
        QCOMPARE(run.recorder.heard.size(), 1);
        run.Quote("10:19", "300,00"); // back below by the margin: armed again, no warning
        QCOMPARE(run.recorder.heard.size(), 1);
        run.Quote("10:20", "301,00");
        QCOMPARE(run.recorder.heard, (QStringList{GreenRose, GreenRose}));
    }

    // A handle stored at another place re-arms its line: the fall through the moved line warns.
    void movedHandleRearms()
    {
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

    void lineNotCoveringTodayIsSilent()
    {
        StoreLine(0, Today - 10, "300,5000", Today - 1, "300,5000");
        Loaded run;
        run.Quote("10:15", "301,00");
        QVERIFY(run.recorder.heard.isEmpty());
    }

    // Off by the setting, or switched off in this run (and stored); the other lines still warn.
    void alertOff()
    {
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

    // Group "Beurs": the user's closing day makes the session's schedule treat 7 June 2012 as a
    // closing day; a bad entry is passed over.
    void userClosingDays()
    {
        TestSupport::IniFile().setValue("Beurs/Gesloten", QStringList{"2012-06-07", "7 juni"});
        Loaded run;
        QVERIFY(Support::Exchange()->IsClosingDay(QDate(2012, 6, 7)));
        QVERIFY(!Quotes::InTradingHours(Support::Clock::Now()));
        QCOMPARE(run.session.ThirdFridayDate(), QDate(2012, 6, 15));
        TestSupport::IniFile().setValue("Beurs/Open", "2012-06-07");
        Loaded second;
        QVERIFY(Support::Exchange()->IsTradingDay(QDate(2012, 6, 7)));
    }
};

QTEST_GUILESS_MAIN(TestSessionAlerts)
#include "tst_sessionalerts.moc"
