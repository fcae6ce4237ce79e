// The main window's quote download against a loopback quote site: status line, series,
// schedule, and a failing site that changes nothing but the status line.
#include "app/MainForm.h"
#include "support/Clock.h"
#include "support/SettingsStore.h"
#include "support/SystemInfo.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QSettings>
#include <QTimer>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

Q_DECLARE_METATYPE(LoopbackReply)

namespace {

// Thursday 7 June 2012, day 41067.
constexpr int Today = 41067;
const QDateTime Morning(QDate(2012, 6, 7), QTime(10, 15));

QByteArray QuotePage(const QByteArray& time, const QByteArray& quote)
{
    return "<html><body><div>Beurs;07-06-12 " + time + "<a href=\"/\">HOME</a></div>\n<p>AEX" + quote +
           "</p></body></html>";
}

QStringList Days(int first, int last, const QString& value)
{
    QStringList list;
    for (int day = first; day <= last; ++day)
        list.append(QStringLiteral("%1 - %2").arg(day).arg(value));
    return list;
}

QStringList Items(const TMainForm& form)
{
    QStringList list;
    for (const std::string& item : form.Series->Items())
        list.append(QString::fromStdString(item));
    return list;
}

void SetItems(TMainForm& form, const QStringList& list)
{
    History::EntryList items;
    for (const QString& item : list)
        items.push_back(item.toStdString());
    form.Series->SetItems(items);
}

QColor TextColour(const QLabel* label)
{
    return label->palette().color(QPalette::WindowText);
}

QString ClosedSite()
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(TestSupport::ClosedPort());
}

void PointSourcesAt(const QString& quoteSite)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup("Sources");
    settings->setValue("QuoteSite", quoteSite);
    settings->setValue("ClosingPricesSite", ClosedSite());
    settings->setValue("MakerSite", ClosedSite());
}

} // namespace

class TestMainFormQuotes : public QObject
{
    Q_OBJECT
private:
    LoopbackServer m_site;
    const QStringList m_loaded = Days(Today - 5, Today - 1, "300,00") + Days(Today, Today + 31, "0,0");

    // A window whose series was just loaded; the timer is left to the test.
    std::unique_ptr<TMainForm> LoadedForm()
    {
        auto form = std::make_unique<TMainForm>();
        form->DownloadTimer->stop();
        SetItems(*form, m_loaded);
        form->RollPending = true;
        return form;
    }

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        Support::Clock::Set(Morning);
        Support::Language = "NLD";
        PointSourcesAt(m_site.Url("/"));
        TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                               Days(Today - 40, Today - 1, "300,00").join("\r\n").append("\r\n").toLatin1());
        m_site.Serve(LoopbackReply::Page(QuotePage("10:15", " 312,45 (+1,20) 0,39%")));
    }
    void cleanup() { Support::Clock::Reset(); }

    void successfulDownload()
    {
        auto form = LoadedForm();
        form->show();
        form->DownloadQuote();

        QCOMPARE(m_site.RequestCount(), 1);
        QCOMPARE(m_site.Requests().first().target, QByteArray("/index.php?type=main"));
        QCOMPARE(form->AEXLabel->text(), QString("AEX: "));
        QCOMPARE(form->KoersLabel->text(), QString(" 312,45  (+1,20)  0,39% "));
        QCOMPARE(form->TimeLabel->text(), QString("07-06-2012 10:15"));
        QCOMPARE(TextColour(form->AEXLabel), QColor(0, 204, 0));
        QCOMPARE(TextColour(form->KoersLabel), QColor(0, 0, 0));
        QCOMPARE(form->QuoteDate, std::string("07-06-2012"));
        QCOMPARE(form->QuoteTime, std::string(" 10:15"));
        QCOMPARE(form->QuoteValue, std::string(" 312,45 "));
        QCOMPARE(form->QuoteChange, std::string("(+1,20)"));
        QCOMPARE(form->QuotePercent, std::string(" 0,39%"));
        QCOMPARE(form->PreviousQuoteValue, form->QuoteValue);
        QCOMPARE(form->LastDownloadTime, Morning);
        QCOMPARE(form->DownloadTimer->interval(), 60000);
        QVERIFY(!QApplication::overrideCursor());

        // The first download after loading rolls the series on by a day.
        QVERIFY(!form->RollPending);
        QCOMPARE(Items(*form), Days(Today - 4, Today - 1, "300,00") + Days(Today, Today + 32, "312,45"));
        QCOMPARE(form->ListBox->currentIndex().row(), 4);

        // The labels stand side by side, centred over the chart's panel.
        QCOMPARE(form->KoersLabel->x(), form->AEXLabel->x() + form->AEXLabel->width());
        QCOMPARE(form->TimeLabel->x(), form->KoersLabel->x() + form->KoersLabel->width());
        const int group = form->AEXLabel->width() + form->KoersLabel->width() + form->TimeLabel->width();
        QCOMPARE(form->AEXLabel->x(), (form->Panel1->width() - group) / 2);
    }

    void laterDownloads_data()
    {
        QTest::addColumn<QByteArray>("quote");
        QTest::addColumn<QColor>("aex");
        QTest::addColumn<QColor>("koers");

        QTest::newRow("higher") << QByteArray(" 313,00 (+1,75) 0,56%") << QColor(0, 204, 0)
                                << QColor(0, 204, 0);
        QTest::newRow("equal") << QByteArray(" 312,45 (+1,20) 0,39%") << QColor(0, 204, 0)
                               << QColor(0, 0, 255);
        QTest::newRow("lower, market down")
            << QByteArray(" 310,00 (-1,25) -0,40%") << QColor(255, 0, 0) << QColor(255, 0, 0);
        QTest::newRow("market unchanged")
            << QByteArray(" 311,25 (0,00) 0,00%") << QColor(0, 0, 255) << QColor(255, 0, 0);
    }
    void laterDownloads()
    {
        QFETCH(QByteArray, quote);
        auto form = LoadedForm();
        form->DownloadQuote();
        const QStringList afterFirst = Items(*form);

        m_site.Serve(LoopbackReply::Page(QuotePage("10:16", quote)));
        Support::Clock::Advance(60000);
        form->DownloadQuote();
        QTEST(TextColour(form->AEXLabel), "aex");
        QTEST(TextColour(form->KoersLabel), "koers");
        QCOMPARE(form->TimeLabel->text(), QString("07-06-2012 10:16"));
        QCOMPARE(Items(*form).size(), afterFirst.size()); // no second roll
        QCOMPARE(Items(*form).mid(0, 4), afterFirst.mid(0, 4));
        const QString value = QString::fromLatin1(quote).section('(', 0, 0).trimmed();
        QCOMPARE(Items(*form).mid(4), Days(Today, Today + 32, value));
    }

    void failures_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::addColumn<bool>("closed");

        QTest::newRow("empty bodies") << LoopbackReply::Empty() << false;
        QTest::newRow("site down") << LoopbackReply::Empty() << true;
        QTest::newRow("an error page")
            << LoopbackReply::Page("<h1>503 Service Unavailable</h1>", 503) << false;
        QTest::newRow("an invalid date")
            << LoopbackReply::Page(QuotePage("99:15", " 312,45 (+1,20) 0,39%")) << false;
        QTest::newRow("a value of zero")
            << LoopbackReply::Page(QuotePage("10:15", " 0,0 (+1,20) 0,39%")) << false;
        QTest::newRow("a value of words")
            << LoopbackReply::Page(QuotePage("10:15", " --- (+1,20) 0,39%")) << false;
        QTest::newRow("65536,00 after days of 300,00")
            << LoopbackReply::Page(QuotePage("10:15", " 65536,00 (+1,20) 0,39%")) << false;
        QTest::newRow("twenty digits")
            << LoopbackReply::Page(QuotePage("10:15", " 99999999999999999999,99 (+1,20) 0,39%")) << false;
        QTest::newRow("22 decimals") << LoopbackReply::Page(
                                            QuotePage("10:15", " 312,4500000000000000000000 (+1,20) 0,39%"))
                                     << false;
    }
    void failures()
    {
        QFETCH(LoopbackReply, reply);
        QFETCH(bool, closed);

        auto form = LoadedForm();
        form->DownloadQuote();
        const QStringList before = Items(*form);
        form->RollPending = true; // as after a change of the day count
        form->DownloadTimer->setInterval(1000);

        m_site.Serve(reply);
        if (closed)
            PointSourcesAt(ClosedSite());
        Support::Clock::Advance(60000);
        form->DownloadQuote();

        QCOMPARE(form->AEXLabel->text(), QString());
        QCOMPARE(form->KoersLabel->text(), QString());
        QCOMPARE(form->TimeLabel->text(), QString("Het downloaden van de AEX is niet gelukt."));
        QCOMPARE(TextColour(form->TimeLabel), QColor(0, 0, 0));
        QCOMPARE(form->DownloadTimer->interval(), 60000);
        QVERIFY(!QApplication::overrideCursor());
        // Nothing else changes.
        QCOMPARE(Items(*form), before);
        QVERIFY(form->RollPending);
        QCOMPARE(form->LastDownloadTime, Morning);
        QCOMPARE(form->QuoteValue, std::string(" 312,45 "));
        QCOMPARE(form->PreviousQuoteValue, std::string(" 312,45 "));
        QCOMPARE(form->QuoteDate, std::string("07-06-2012"));
        QCOMPARE(form->QuoteTime, std::string(" 10:15"));

        // The next success colours the value against the last good one.
        PointSourcesAt(m_site.Url("/"));
        m_site.Serve(LoopbackReply::Page(QuotePage("10:17", " 312,50 (+1,25) 0,40%")));
        form->DownloadQuote();
        QCOMPARE(form->TimeLabel->text(), QString("07-06-2012 10:17"));
        QCOMPARE(TextColour(form->KoersLabel), QColor(0, 204, 0));
    }

    void firstDownloadFails()
    {
        auto form = LoadedForm();
        m_site.Serve(LoopbackReply::Empty());
        form->DownloadQuote();
        QCOMPARE(form->TimeLabel->text(), QString("Het downloaden van de AEX is niet gelukt."));
        QCOMPARE(Items(*form), m_loaded);
        QVERIFY(form->RollPending);
        QVERIFY(!form->LastDownloadTime.isValid());
        QVERIFY(form->PreviousQuoteValue.empty());
    }

    void timerTick_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QDateTime>("last");
        QTest::addColumn<int>("requests");

        const QDate thursday(2012, 6, 7);
        QTest::newRow("start-up in the evening") << QDateTime(thursday, QTime(20, 0)) << QDateTime() << 1;
        QTest::newRow("evening after a success today")
            << QDateTime(thursday, QTime(20, 0)) << QDateTime(thursday, QTime(17, 34)) << 0;
        QTest::newRow("trading hours")
            << QDateTime(thursday, QTime(12, 0)) << QDateTime(thursday, QTime(11, 59)) << 1;
        QTest::newRow("09:00 after a success today")
            << QDateTime(thursday, QTime(9, 0, 30)) << QDateTime(thursday, QTime(0, 0, 1)) << 0;
        QTest::newRow("Sunday after a success that day")
            << QDateTime(QDate(2012, 6, 10), QTime(12, 0)) << QDateTime(QDate(2012, 6, 10), QTime(0, 0, 1))
            << 0;
    }
    void timerTick()
    {
        QFETCH(QDateTime, now);
        QFETCH(QDateTime, last);
        auto form = LoadedForm();
        Support::Clock::Set(now);
        form->LastDownloadTime = last;
        form->DownloadTimerTimer();
        QTEST(m_site.RequestCount(), "requests");
    }

    void movedHandleSavedBeforeTheDownload()
    {
        auto form = LoadedForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_VERIFY(form->Painted);
        form->DownloadTimer->stop();
        const auto storedDay = [] {
            return QSettings(TestSupport::IniPath(), QSettings::IniFormat).value("Defaults/Shape5-Left");
        };
        const QVariant before = storedDay();
        QVariant whileFetching;
        m_site.OnRequest([&](const TestSupport::LoopbackRequest&) { whileFetching = storedDay(); });
        m_site.Serve(LoopbackReply::Empty());

        form->Shape5->move(form->Shape5->pos() + QPoint(60, 0)); // dragged, not yet saved
        form->Shape5Moved = true;
        Support::Clock::Set(QDateTime(Morning.date(), QTime(20, 0)));
        form->DownloadTimerTimer();
        m_site.OnRequest({});

        QCOMPARE(m_site.RequestCount(), 3);
        QVERIFY(whileFetching.isValid());
        QVERIFY(whileFetching != before);
        QCOMPARE(storedDay(), whileFetching);
        QVERIFY(!form->Shape5Moved);
    }

    void timerDrivesDownloads()
    {
        // Loading starts the timer at one second; the first tick downloads and slows it down.
        auto form = LoadedForm();
        form->DownloadTimer->setInterval(1000);
        form->DownloadTimer->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_site.RequestCount(), 1, 5000);
        QCOMPARE(form->DownloadTimer->interval(), 60000);
        QCOMPARE(form->TimeLabel->text(), QString("07-06-2012 10:15"));
    }
};

QTEST_MAIN(TestMainFormQuotes)
#include "tst_mainformquotes.moc"
