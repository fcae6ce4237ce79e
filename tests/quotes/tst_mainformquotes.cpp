// The main window's part in the quote download: its timer drives the session's downloads, a
// dragged trend-line end is stored before one goes out, and the labels show the session's status.
#include "app/Components.h"
#include "app/MainForm.h"
#include "history/HistoryTestSupport.h"
#include "history/SeriesBuilder.h"
#include "session/ProgramSettings.h"
#include "support/Clock.h"
#include "testsupport/MainFormRig.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
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
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       FileText(Flat(Today - 40, Today - 1, "300,00"))));
    }
    void cleanup() { Support::Clock::Reset(); }

    void timerDrivesDownloads_data()
    {
        QTest::addColumn<QByteArray>("page");   // empty: no connection
        QTest::addColumn<QStringList>("shown"); // the three labels' texts and colours

        QTest::newRow("a quote") << QuotePage
                                 << QStringList({"AEX: ", "#00cc00", " 312,45  (+1,20)  0,39% ", "#000000",
                                                 "07-06-2012 10:15", "#000000"});
        QTest::newRow("no connection")
            << QByteArray()
            << QStringList(
                   {"", "#000000", "", "#000000", "Het downloaden van de AEX is niet gelukt.", "#000000"});
    }
    void timerDrivesDownloads()
    {
        QFETCH(QByteArray, page);
        ProgramSettings().WriteHandle(2, {Today - 2, QStringLiteral("300,0")});
        TestSupport::ScriptedFetcher site;
        TestSupport::MainFormRig rig(site);
        TMainForm& form = rig.form;
        // Loading starts the timer at one second; it waits here until a handle has been dragged.
        QVERIFY(form.DownloadTimer->isActive());
        QCOMPARE(form.DownloadTimer->interval(), 1000);
        form.DownloadTimer->stop();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_VERIFY(form.Panel1->Painted());
        QCOMPARE(rig.session.Handle(2).day, Today - 2);
        TShape* handle = form.Panel1->HandleShape(2);
        QTest::mousePress(handle, Qt::LeftButton);
        QTest::mouseMove(handle, QPoint(Chart::HandleOffset + 60, Chart::HandleOffset));
        QTest::mouseRelease(handle, Qt::LeftButton);

        const std::size_t fetches = site.Requests().size();
        site.Answer(page.toStdString());
        site.SetHolding(true);
        form.DownloadTimer->start();
        // The download waits for its answer: the dragged handle is stored already.
        QTRY_COMPARE(site.Held(), 1);
        QVERIFY(rig.session.Handle(2).day > Today - 2);
        QCOMPARE(ProgramSettings().ReadHandle(2).day, rig.session.Handle(2).day);
        QVERIFY(!form.Panel1->AnyHandleMoved());
        QCOMPARE(form.cursor().shape(), Qt::BusyCursor);
        site.SetHolding(false);
        QVERIFY(site.Release());

        // The first tick slows the timer down; the labels show the session's status.
        QCOMPARE(site.Requests().size(), fetches + 1);
        QCOMPARE(form.DownloadTimer->interval(), 60000);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
        // The status line says where a quote came from.
        for (const QLabel* label : {form.AEXLabel, form.KoersLabel, form.TimeLabel})
            QCOMPARE(static_cast<const TStatusLabel*>(label)->ShownToolTip().contains("Koers van: page"),
                     !page.isEmpty());
        QStringList shown;
        for (const QLabel* label : {form.AEXLabel, form.KoersLabel, form.TimeLabel})
            shown << label->text() << label->palette().color(QPalette::WindowText).name();
        QTEST(shown, "shown");
        // Side by side, centred over the chart's panel; the list follows today.
        QCOMPARE(form.KoersLabel->x(), form.AEXLabel->x() + form.AEXLabel->width());
        QCOMPARE(form.TimeLabel->x(), form.KoersLabel->x() + form.KoersLabel->width());
        const int group = form.AEXLabel->width() + form.KoersLabel->width() + form.TimeLabel->width();
        QCOMPARE(form.AEXLabel->x(), (form.Panel1->width() - group) / 2);
        QCOMPARE(form.ListBox->currentIndex().row(),
                 History::TodayRow(rig.session.Series().Items(), Support::TodayDayNumber()));

        // From 20:00 a tick asks for the day's close first; the next downloads the quote only
        // when today's download failed.
        Support::Clock::Set(QDateTime(Morning.date(), QTime(20, 0)));
        site.Settle(&TMainForm::DownloadTimerTimer, form);
        const std::size_t afterClose = site.Requests().size();
        QVERIFY(afterClose > fetches + 1);
        QVERIFY(QString::fromStdString(site.Requests().back().url).endsWith("aex-index"));
        site.Settle(&TMainForm::DownloadTimerTimer, form);
        QCOMPARE(site.Requests().size(), afterClose + (page.isEmpty() ? 1 : 0));
    }
};

QTEST_MAIN(TestMainFormQuotes)
#include "tst_mainformquotes.moc"
