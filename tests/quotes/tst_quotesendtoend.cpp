// The built program against a loopback quote site: it fetches the quote shortly after
// start-up and, closed as the system closes a program (SIGTERM), stores today's value in its
// history file.
#include "history/HistoryTestSupport.h"
#include "support/Clock.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

class TestQuotesEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void init() { TestSupport::ResetUserFolders(); }

    void quoteReachesTheHistoryFile()
    {
        LoopbackServer site;
        // The page of today: a quote of another day would be shown, not stored.
        site.Serve(LoopbackReply::Page(
            TestSupport::ReadFile(TestSupport::SourceDir() +
                                  QStringLiteral("/tests/data/quotes/quote-page.html"))
                .replace("07-06-12", QDate::currentDate().toString("dd-MM-yy").toLatin1())));
        TestSupport::PointSourcesNowhere();
        TestSupport::IniFile().setValue("Sources/QuoteSite", site.Url("/"));
        const int today = Support::DayNumber(QDate::currentDate());
        QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "AEX.dat",
                                       FileText(Flat(today - 60, today - 1, "300,00"))));

        QTemporaryDir folder;
        QProcess program;
        QVERIFY(TestSupport::StartProgram(program, folder.path()));
        QTRY_VERIFY_WITH_TIMEOUT(site.RequestCount() >= 1, 20000);
        QTest::qWait(1000); // the page is read and the series updated after the fetch
        QVERIFY(TestSupport::ClosedNormally(program));

        const TestSupport::LoopbackRequest request = site.Requests().first();
        QCOMPARE(request.target, QByteArray("/index.php?type=main"));
        QCOMPARE(request.Header("User-Agent"), QByteArray("Delphi Function: Download"));

        const QList<QByteArray> lines =
            TestSupport::ReadFile(TestSupport::DataFolder() + "AEX.dat").split('\n');
        const QByteArray expected = QByteArray::number(today) + " - 312,45\r";
        QVERIFY2(lines.contains(expected), expected.constData());
        QVERIFY(lines.contains(QByteArray::number(today - 30) + " - 300,00\r"));
    }
};

QTEST_GUILESS_MAIN(TestQuotesEndToEnd)
#include "tst_quotesendtoend.moc"
