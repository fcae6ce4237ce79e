// The program's fetcher against a loopback server: the caller's thread never waits, the result
// comes through its event loop, and a cancel or the fetcher's end stops a stalled transfer at once.
#include "quotes/BackgroundFetcher.h"
#include "testsupport/LoopbackServer.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QtTest>

using namespace Quotes;
using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

Q_DECLARE_METATYPE(LoopbackReply)

namespace {

// Far beyond what a cancelled or bounded fetch may take, far below the stalls served.
constexpr qint64 PromptMs = 3000;

FetchRequest Request(const LoopbackServer& server)
{
    FetchRequest request;
    request.url = server.UrlText("/page");
    request.access = INTERNET_OPEN_TYPE_DIRECT;
    request.options.attempts = 1;
    request.options.receiveTimeoutMs = 60000;
    request.options.connectTimeoutMs = 60000;
    return request;
}

} // namespace

class TestBackgroundFetcher : public QObject
{
    Q_OBJECT
private slots:
    // Served at once or slowly, the answer arrives on the caller's thread, never inside Fetch,
    // read by the request's prepare on the fetch's thread.
    void answerComesThroughTheEventLoop_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("at once") << LoopbackReply::Page("AEX 312,45") << QByteArray("AEX 312,45");
        QTest::newRow("trickled") << LoopbackReply::Trickling("AEX 312,45", 20, 2)
                                  << QByteArray("AEX 312,45");
        QTest::newRow("error page") << LoopbackReply::Page("Not Found", 404) << QByteArray("Not Found");
    }
    void answerComesThroughTheEventLoop()
    {
        QFETCH(LoopbackReply, reply);
        LoopbackServer server;
        server.Serve(reply);
        BackgroundFetcher fetcher;
        int calls = 0;
        FetchResult got;
        QThread* thread = nullptr;
        FetchRequest request = Request(server);
        request.prepare = [](const FetchResult& result) {
            return std::any(std::make_pair(result.body.size(), QThread::currentThread()));
        };
        const FetchTicket ticket = fetcher.Fetch(request, [&](const FetchResult& result) {
            ++calls;
            got = result;
            thread = QThread::currentThread();
        });
        QVERIFY(ticket != NoFetch);
        QCOMPARE(calls, 0);
        QCOMPARE(fetcher.Running(), 1);
        QTRY_COMPARE(calls, 1);
        QCOMPARE(thread, QThread::currentThread());
        QTEST(QByteArray::fromStdString(got.body), "body");
        const auto prepared = std::any_cast<std::pair<std::size_t, QThread*>>(got.prepared);
        QCOMPARE(prepared.first, got.body.size());
        QVERIFY(prepared.second != QThread::currentThread());
        QCOMPARE(fetcher.Running(), 0);
        fetcher.Cancel(ticket); // ended: ignored
    }

    // A cancelled fetch never answers, and one fetch's cancel leaves another alone.
    void cancel()
    {
        LoopbackServer stalled, answering;
        stalled.Serve(LoopbackReply::Silent());
        answering.Serve(LoopbackReply::Trickling("AEX 312,45", 50, 2));
        BackgroundFetcher fetcher;
        int stalledCalls = 0, answeredCalls = 0;
        const FetchTicket ticket =
            fetcher.Fetch(Request(stalled), [&](const FetchResult&) { ++stalledCalls; });
        fetcher.Fetch(Request(answering), [&](const FetchResult&) { ++answeredCalls; });
        QTRY_COMPARE(stalled.RequestCount(), 1);
        QElapsedTimer clock;
        clock.start();
        fetcher.Cancel(ticket);
        QTRY_COMPARE(answeredCalls, 1);
        QTRY_COMPARE(fetcher.Running(), 0);
        QCOMPARE_LT(clock.elapsed(), PromptMs);
        QTest::qWait(100);
        QCOMPARE(stalledCalls, 0);
    }

    // The end of the fetcher (the program's end) does not wait for servers that say nothing,
    // nor for connections that are never accepted.
    void endingTheFetcherStopsItsFetches()
    {
        LoopbackServer stalled;
        stalled.Serve(LoopbackReply::Stall("AEX 312,45 and more", 5));
        int calls = 0;
        QElapsedTimer clock;
        {
            BackgroundFetcher fetcher;
            for (int i = 0; i < 3; ++i)
                fetcher.Fetch(Request(stalled), [&](const FetchResult&) { ++calls; });
            QTRY_COMPARE(stalled.RequestCount(), 3);
            clock.start();
        }
        QCOMPARE_LT(clock.elapsed(), PromptMs);
        QTest::qWait(50);
        QCOMPARE(calls, 0);
    }

    // Fetches asked while the fetcher is held start on the release; one cancelled meanwhile never
    // runs and never answers.
    void heldFetchesStartOnRelease()
    {
        QMutex lock;
        QStringList transferred;
        BackgroundFetcher fetcher([&](const std::string& url, AccessType, const DownloadOptions&) {
            const QMutexLocker locked(&lock);
            transferred << QString::fromStdString(url);
            return FetchResult{};
        });
        fetcher.Hold();
        QStringList answered;
        FetchTicket tickets[3] = {};
        for (int i = 0; i < 3; ++i) {
            FetchRequest request;
            request.url = "http://127.0.0.1/" + std::to_string(i);
            tickets[i] = fetcher.Fetch(
                request, [&answered, i](const FetchResult&) { answered << QString::number(i); });
        }
        fetcher.Cancel(tickets[1]);
        QTest::qWait(50);
        QVERIFY(transferred.isEmpty());
        QCOMPARE(fetcher.Running(), 3);
        fetcher.Release();
        QTRY_COMPARE(answered.size(), 2);
        answered.sort();
        QCOMPARE(answered, QStringList({"0", "2"}));
        QCOMPARE(fetcher.Running(), 0);
        const QMutexLocker locked(&lock);
        transferred.sort();
        QCOMPARE(transferred, QStringList({"http://127.0.0.1/0", "http://127.0.0.1/2"}));
    }

    // The request's bound holds on a worker as on the caller's thread.
    void boundHolds()
    {
        LoopbackServer stalled;
        stalled.Serve(LoopbackReply::Silent());
        BackgroundFetcher fetcher;
        FetchRequest request = Request(stalled);
        request.options.attempts = 3;
        request.options.totalTimeoutMs = 500;
        int calls = 0;
        FetchResult got;
        QElapsedTimer clock;
        clock.start();
        fetcher.Fetch(request, [&](const FetchResult& result) {
            ++calls;
            got = result;
        });
        QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 10000);
        QCOMPARE_LT(clock.elapsed(), PromptMs);
        QCOMPARE(got.ending, FetchEnding::Incomplete);
        QVERIFY(got.body.empty());
    }
};

QTEST_GUILESS_MAIN(TestBackgroundFetcher)
#include "tst_backgroundfetcher.moc"
