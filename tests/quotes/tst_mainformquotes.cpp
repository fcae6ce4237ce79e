// The main window's part in the quote download: its timer drives the session's downloads, the
// status labels show what the session reports, and a dragged trend-line end is stored before a
// download goes out.
#include "app/MainForm.h"
#include "app/TrendLines.h"
#include "session/ProgramSettings.h"
#include "support/Clock.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QTimer>
#include <QtTest>

namespace {

// Thursday 7 June 2012, day 41067, in trading hours; the history ends the day before.
constexpr int Today = 41067;
const QDateTime Morning(QDate(2012, 6, 7), QTime(10, 15));
const QByteArray QuotePage = "<html><body><div>Beurs;07-06-12 10:15<a href=\"/\">HOME</a></div>\n"
                             "<p>AEX 312,45 (+1,20) 0,39%</p></body></html>";

} // namespace

class TestMainFormQuotes : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(Morning);
        QByteArray history;
        for (int day = Today - 40; day < Today; ++day)
            history += QByteArray::number(day) + " - 300,00\r\n";
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat", history));
        WindowSettings window; // the series shows Today - 4 ... Today + 31
        window.dagen = 35;
        ProgramSettings().WriteWindow(window);
    }
    void cleanup() { Support::Clock::Reset(); }

    void timerDrivesDownloads_data()
    {
        QTest::addColumn<QByteArray>("page");   // empty: no connection
        QTest::addColumn<QStringList>("shown"); // the three labels' texts and colours
        QTest::addColumn<int>("row");

        QTest::newRow("a quote") << QuotePage
                                 << QStringList({"AEX: ", "#00cc00", " 312,45  (+1,20)  0,39% ", "#000000",
                                                 "07-06-2012 10:15", "#000000"})
                                 << 3;
        QTest::newRow("no connection")
            << QByteArray()
            << QStringList(
                   {"", "#000000", "", "#000000", "Het downloaden van de AEX is niet gelukt.", "#000000"})
            << 4;
    }
    void timerDrivesDownloads()
    {
        QFETCH(QByteArray, page);
        TestSupport::ScriptedFetcher site;
        TestSupport::MainFormRig rig(site);
        TMainForm& form = rig.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // Loading starts the timer at one second; the first tick downloads and slows it down.
        QVERIFY(form.DownloadTimer->isActive());
        QCOMPARE(form.DownloadTimer->interval(), 1000);
        const std::size_t fetches = site.Requests().size();
        site.Answer(page.toStdString());
        QTRY_COMPARE(site.Requests().size(), fetches + 1);
        QCOMPARE(form.DownloadTimer->interval(), 60000);
        QVERIFY(!QApplication::overrideCursor());

        QStringList shown;
        for (const QLabel* label : {form.AEXLabel, form.KoersLabel, form.TimeLabel})
            shown << label->text() << label->palette().color(QPalette::WindowText).name();
        QTEST(shown, "shown");
        // Side by side, centred over the chart's panel; the list follows today.
        QCOMPARE(form.KoersLabel->x(), form.AEXLabel->x() + form.AEXLabel->width());
        QCOMPARE(form.TimeLabel->x(), form.KoersLabel->x() + form.KoersLabel->width());
        const int group = form.AEXLabel->width() + form.KoersLabel->width() + form.TimeLabel->width();
        QCOMPARE(form.AEXLabel->x(), (form.Panel1->width() - group) / 2);
        QTEST(form.ListBox->currentIndex().row(), "row");

        // In the evening a tick downloads only when today's download failed.
        Support::Clock::Set(QDateTime(Morning.date(), QTime(20, 0)));
        form.DownloadTimerTimer();
        QCOMPARE(site.Requests().size(), fetches + (page.isEmpty() ? 2 : 1));
    }

    void movedHandleSavedBeforeTheDownload()
    {
        ProgramSettings().WriteHandle(2, {Today - 2, QStringLiteral("300,0")});
        TestSupport::ScriptedFetcher site;
        TestSupport::MainFormRig rig(site);
        TMainForm& form = rig.form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(rig.session.Painted());
        form.DownloadTimer->stop();
        QCOMPARE(rig.session.Handle(2).day, Today - 2);

        const QPoint centre(Chart::HandleOffset, Chart::HandleOffset);
        form.Lines->Press();
        form.Lines->MoveHandle(2, form.Shape5->mapToGlobal(centre + QPoint(60, 0)));
        form.Lines->Release();
        site.SetHolding(true);
        form.DownloadTimerTimer();

        // The download waits for its answer: the new place is stored already.
        QCOMPARE(site.Held(), 1);
        QVERIFY(rig.session.Handle(2).day > Today - 2);
        QCOMPARE(ProgramSettings().ReadHandle(2).day, rig.session.Handle(2).day);
        QVERIFY(!form.Lines->AnyHandleMoved());
        QVERIFY(site.Release());
    }
};

QTEST_MAIN(TestMainFormQuotes)
#include "tst_mainformquotes.moc"
