// The session's trend-line alerts at each quote: what goes through the seam, once per
// crossing, again after a handle moved; lines whose alert is off stay silent; the settings
// Waarschuw-*; and the user's closing days of group "Beurs" put in force.
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

QTEST_GUILESS_MAIN(TestSessionAlerts)
#include "tst_sessionalerts.moc"
