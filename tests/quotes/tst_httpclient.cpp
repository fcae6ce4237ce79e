// The blocking page fetch against a loopback server: attempts, pieces, time-outs, headers, proxies.
#include "quotes/HttpClient.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/TestSupport.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSslSocket>
#include <QTest>

#ifndef Q_OS_WIN
#include "testsupport/UnansweredPort.h"
#endif

using namespace Quotes;
using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;

Q_DECLARE_METATYPE(LoopbackReply)
Q_DECLARE_METATYPE(QList<LoopbackReply>)
Q_DECLARE_METATYPE(Quotes::FetchEnding)

namespace {

QByteArray Pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 26);
    return bytes;
}

QByteArray WithZeroAt(QByteArray bytes, qsizetype at)
{
    bytes[at] = '\0';
    return bytes;
}

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT
private slots:
    void attempts_data()
    {
        QTest::addColumn<QList<LoopbackReply>>("replies");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("requests");

        const LoopbackReply page = LoopbackReply::Page("de pagina");
        const LoopbackReply empty = LoopbackReply::Empty();
        QTest::newRow("page at the first attempt") << QList{page} << 3 << QByteArray("de pagina") << 1;
        QTest::newRow("page only at the third attempt")
            << QList{empty, empty, page} << 3 << QByteArray("de pagina") << 3;
        QTest::newRow("three empty bodies give the empty text")
            << QList{empty, empty, empty, page} << 3 << QByteArray() << 3;
        QTest::newRow("connection closed without an answer, then a page")
            << QList{LoopbackReply::Closed(), LoopbackReply::Closed(), page} << 3 << QByteArray("de pagina")
            << 3;
        QTest::newRow("six attempts when asked")
            << QList{empty, empty, empty, empty, empty, page} << 6 << QByteArray("de pagina") << 6;
        QTest::newRow("one attempt when asked") << QList{empty, page} << 1 << QByteArray() << 1;
        QTest::newRow("a short body is a page, no retry")
            << QList{LoopbackReply::Page("x"), page} << 3 << QByteArray("x") << 1;
        QTest::newRow("a body of zero bytes only counts as empty")
            << QList{LoopbackReply::Page(QByteArray(10, '\0')), page} << 3 << QByteArray("de pagina") << 2;
        QTest::newRow("an error page is text like any other")
            << QList{LoopbackReply::Page("Niet gevonden", 404)} << 3 << QByteArray("Niet gevonden") << 1;
        QTest::newRow("a redirect is followed")
            << QList{LoopbackReply::Redirect("/elders"), page} << 3 << QByteArray("de pagina") << 2;
    }
    void attempts()
    {
        QFETCH(QList<LoopbackReply>, replies);
        QFETCH(int, attempts);
        QFETCH(QByteArray, expected);
        QFETCH(int, requests);

        LoopbackServer server;
        server.Script(replies);
        DownloadOptions options;
        options.attempts = attempts;
        const std::string body =
            DownloadPage(server.UrlText("/index.php?type=main"), INTERNET_OPEN_TYPE_DIRECT, options);
        QCOMPARE(QByteArray::fromStdString(body), expected);
        QCOMPARE(server.RequestCount(), requests);
        QCOMPARE(server.Requests().first().target, QByteArray("/index.php?type=main"));
    }

    void pieces_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("limit"); // of the body's size; 0: the default
        QTest::addColumn<QByteArray>("expected");

        const QByteArray text = Pattern(5000);
        QTest::newRow("no zero byte") << text << true << 0 << text;
        QTest::newRow("zero inside the first piece drops the rest of that piece only")
            << WithZeroAt(text, 10) << true << 0 << text.left(10) + text.mid(2048);
        QTest::newRow("zero as the last byte of the first piece")
            << WithZeroAt(text, 2047) << true << 0 << text.left(2047) + text.mid(2048);
        QTest::newRow("zero as the first byte of the second piece")
            << WithZeroAt(text, 2048) << true << 0 << text.left(2048) + text.mid(4096);
        QTest::newRow("zero inside the short last piece")
            << WithZeroAt(text, 4100) << true << 0 << text.left(4100);
        QTest::newRow("zeros in two pieces") << WithZeroAt(WithZeroAt(text, 100), 3000) << true << 0
                                             << text.left(100) + text.mid(2048, 3000 - 2048) + text.mid(4096);
        QTest::newRow("without cutting every byte stays")
            << WithZeroAt(text, 10) << false << 0 << WithZeroAt(text, 10);
        QTest::newRow("beyond the size limit") << Pattern(20000) << true << 4096 << Pattern(4096);
    }
    void pieces()
    {
        QFETCH(QByteArray, sent);
        QFETCH(bool, cut);
        QFETCH(int, limit);
        QFETCH(QByteArray, expected);

        LoopbackServer server;
        server.Serve(LoopbackReply::Page(sent));
        DownloadOptions options;
        options.cutPiecesAtZero = cut;
        if (limit > 0)
            options.maxBodyBytes = std::size_t(limit);
        const std::string body = DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        QCOMPARE(QByteArray::fromStdString(body), expected);
        QCOMPARE(server.RequestCount(), 1);
    }

    void pieceCallback()
    {
        LoopbackServer server;
        const QByteArray sent = WithZeroAt(Pattern(5000), 10);
        server.Serve(LoopbackReply::Page(sent));
        QList<qsizetype> sizes;
        QByteArray gathered;
        DownloadOptions options;
        options.attempts = 1;
        options.cutPiecesAtZero = false;
        options.keepBody = false;
        options.onPiece = [&](std::string_view piece) {
            sizes.append(static_cast<qsizetype>(piece.size()));
            gathered.append(piece.data(), static_cast<qsizetype>(piece.size()));
            return true;
        };
        const std::string body = DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        QVERIFY(body.empty());
        QCOMPARE(sizes, (QList<qsizetype>{2048, 2048, 904}));
        QCOMPARE(gathered, sent);
    }

    void pieceCallbackStops()
    {
        // A caller that stops (a user who gave up) gets no further attempts.
        LoopbackServer server;
        const QByteArray sent = Pattern(10000);
        server.Serve(LoopbackReply::Page(sent));
        int calls = 0;
        DownloadOptions options;
        options.onPiece = [&](std::string_view) { return ++calls < 2; };
        const std::string body = DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        QCOMPARE(calls, 2);
        QCOMPARE(QByteArray::fromStdString(body), sent.left(4096));
        QCOMPARE(server.RequestCount(), 1);
    }

    void stalls_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("requests");

        const QByteArray text = Pattern(10000);
        QTest::newRow("stall after the headers keeps the partial body")
            << LoopbackReply::Stall(text, 3000) << 3 << text.left(3000) << 1;
        QTest::newRow("stall before any body byte gives nothing")
            << LoopbackReply::Stall(text, 0) << 1 << QByteArray() << 1;
        QTest::newRow("a server that never answers") << LoopbackReply::Silent() << 1 << QByteArray() << 1;
    }
    void stalls()
    {
        QFETCH(LoopbackReply, reply);
        QFETCH(int, attempts);
        QFETCH(QByteArray, expected);
        QFETCH(int, requests);

        LoopbackServer server;
        server.Serve(reply);
        DownloadOptions options;
        options.attempts = attempts;
        QElapsedTimer clock;
        clock.start();
        const std::string body = DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        const qint64 elapsed = clock.elapsed();
        qInfo() << "elapsed" << elapsed;
        QCOMPARE(QByteArray::fromStdString(body), expected);
        QCOMPARE(server.RequestCount(), requests);
        // The receive time-out ends each attempt after 2 s of silence, not before and not much later.
        QVERIFY2(elapsed >= 1900 && elapsed < 2000 * attempts + 700, QByteArray::number(elapsed));
    }

    void trickleEndsAtTotalBound()
    {
        LoopbackServer server;
        server.Serve(LoopbackReply::Trickling(Pattern(1000), 50));
        DownloadOptions options;
        options.totalTimeoutMs = 1000;
        QElapsedTimer clock;
        clock.start();
        const std::string body = DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        const qint64 elapsed = clock.elapsed();
        qInfo() << "elapsed" << elapsed;
        QVERIFY2(elapsed >= 900 && elapsed < 2500, QByteArray::number(elapsed));
        QVERIFY(!body.empty());
        QVERIFY(body.size() < 1000);
        QCOMPARE(QByteArray::fromStdString(body), Pattern(1000).left(static_cast<qsizetype>(body.size())));
        QCOMPARE(server.RequestCount(), 1);
    }

    void endings_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::addColumn<bool>("refuseHttpErrors");
        QTest::addColumn<int>("maxBodyBytes");
        QTest::addColumn<FetchEnding>("ending");
        QTest::addColumn<long>("status");
        QTest::addColumn<QByteArray>("body");

        const QByteArray page = Pattern(5000);
        const QByteArray notFound = "<html>Not Found</html>";
        QTest::newRow("whole page") << LoopbackReply::Page(page) << true << 0 << FetchEnding::Complete << 200L
                                    << page;
        QTest::newRow("error page refused") << LoopbackReply::Page(notFound, 404) << true << 0
                                            << FetchEnding::HttpError << 404L << QByteArray();
        QTest::newRow("empty error page refused")
            << LoopbackReply::Page({}, 500) << true << 0 << FetchEnding::HttpError << 500L << QByteArray();
        QTest::newRow("error page kept when allowed")
            << LoopbackReply::Page(notFound, 404) << false << 0 << FetchEnding::Complete << 404L << notFound;
        QTest::newRow("cut short") << LoopbackReply::CutShortAfter(page, 3000) << true << 0
                                   << FetchEnding::Incomplete << 200L << page.left(3000);
        QTest::newRow("cut short at a piece boundary")
            << LoopbackReply::CutShortAfter(page, 4096) << true << 0 << FetchEnding::Incomplete << 200L
            << page.left(4096);
        QTest::newRow("longer than allowed")
            << LoopbackReply::Page(page) << true << 4999 << FetchEnding::TooLong << 200L << page.left(4999);
        QTest::newRow("exactly as long as allowed")
            << LoopbackReply::Page(page) << true << 5000 << FetchEnding::Complete << 200L << page;
        QTest::newRow("nobody answers")
            << LoopbackReply::Closed() << true << 0 << FetchEnding::Incomplete << 0L << QByteArray();
    }
    void endings()
    {
        QFETCH(LoopbackReply, reply);
        QFETCH(bool, refuseHttpErrors);
        QFETCH(int, maxBodyBytes);
        LoopbackServer server;
        server.Serve(reply);
        DownloadOptions options;
        options.attempts = 1;
        options.cutPiecesAtZero = false;
        options.refuseHttpErrors = refuseHttpErrors;
        options.maxBodyBytes = static_cast<std::size_t>(maxBodyBytes);
        const FetchResult result = Fetch(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        QTEST(result.ending, "ending");
        QTEST(result.status, "status");
        QTEST(QByteArray::fromStdString(result.body), "body");
    }

    void redirects_data()
    {
        QTest::addColumn<QString>("targetHost");
        QTest::addColumn<bool>("stayOnHost");
        QTest::addColumn<FetchEnding>("ending");
        QTest::addColumn<int>("targetRequests");

        QTest::newRow("same host, other port, followed") << "127.0.0.1" << true << FetchEnding::Complete << 1;
        QTest::newRow("other host refused") << "localhost" << true << FetchEnding::OtherHost << 0;
        QTest::newRow("other host followed when allowed")
            << "localhost" << false << FetchEnding::Complete << 1;
    }
    void redirects()
    {
        QFETCH(QString, targetHost);
        QFETCH(bool, stayOnHost);
        LoopbackServer target;
        target.Serve(LoopbackReply::Page("from the target"));
        LoopbackServer site;
        const QString location = QStringLiteral("http://%1:%2/moved").arg(targetHost).arg(target.Port());
        site.Serve(LoopbackReply::Redirect(location.toLatin1()));
        DownloadOptions options;
        options.stayOnHost = stayOnHost;
        const FetchResult result = Fetch(site.UrlText(), INTERNET_OPEN_TYPE_DIRECT, options);
        QTEST(result.ending, "ending");
        QTEST(target.RequestCount(), "targetRequests");
        QCOMPARE(QByteArray::fromStdString(result.body),
                 result.ending == FetchEnding::Complete ? QByteArray("from the target") : QByteArray());
        // A refused redirect is not tried again.
        QCOMPARE(site.RequestCount(), 1);
    }

    void connectionPhaseBound_data()
    {
        QTest::addColumn<int>("attempts");
        QTest::newRow("one attempt") << 1;
        QTest::newRow("three attempts") << 3;
    }
    void connectionPhaseBound()
    {
#ifdef Q_OS_WIN
        // Windows refuses a connection beyond a full backlog instead of leaving it unanswered, so
        // there is no such port on the loopback there.
        QSKIP("no unanswered port on Windows");
#else
        QFETCH(int, attempts);
        const TestSupport::UnansweredPort host;
        QVERIFY(host.Port() != 0);
        DownloadOptions options;
        options.attempts = attempts;
        QElapsedTimer clock;
        clock.start();
        const std::string body =
            DownloadPage(QStringLiteral("http://127.0.0.1:%1/").arg(host.Port()).toStdString(),
                         INTERNET_OPEN_TYPE_DIRECT, options);
        const qint64 elapsed = clock.elapsed();
        qInfo() << "elapsed" << elapsed;
        QVERIFY(body.empty());
        QVERIFY2(elapsed >= 1900 * attempts && elapsed < 2000 * attempts + 700, QByteArray::number(elapsed));
#endif
    }

    void unreachable_data()
    {
        QTest::addColumn<QString>("url");

        QTest::newRow("closed port") << QStringLiteral("http://127.0.0.1:%1/").arg(TestSupport::ClosedPort());
        // A label longer than 63 characters fails in the resolver itself, without any packet.
        QTest::newRow("unresolvable host")
            << QStringLiteral("http://%1.invalid/").arg(QString(64, QLatin1Char('k')));
        QTest::newRow("not a web address") << QStringLiteral("file:///etc/hostname");
        QTest::newRow("empty address") << QString();
        QTest::newRow("garbage") << QStringLiteral("http://[::1/");
    }
    void unreachable()
    {
        QFETCH(QString, url);
        QElapsedTimer clock;
        clock.start();
        const std::string body = DownloadPage(url.toStdString(), INTERNET_OPEN_TYPE_PRECONFIG);
        QVERIFY(body.empty());
        // Three attempts, each bounded by the connection phase of 2 s.
        QVERIFY2(clock.elapsed() < 3 * 2000 + 1000, QByteArray::number(clock.elapsed()));
    }

    void requestHeaders()
    {
        LoopbackServer server;
        server.Serve(LoopbackReply::Page("ok"));
        QCOMPARE(DownloadPage(server.UrlText("/pad"), INTERNET_OPEN_TYPE_PRECONFIG), std::string("ok"));
        const TestSupport::LoopbackRequest request = server.Requests().value(0);
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.Header("User-Agent"), QByteArray("Delphi Function: Download"));
        QCOMPARE(request.Header("Cache-Control"), QByteArray("no-cache"));
        QCOMPARE(request.Header("Pragma"), QByteArray("no-cache"));
        QCOMPARE(request.HeaderCount("User-Agent"), 1);
        QCOMPARE(request.Header("Host"), QByteArray("127.0.0.1:") + QByteArray::number(server.Port()));

        // A source's own agent and headers; a header with a line break in it is not sent.
        DownloadOptions options;
        options.userAgent = "Mozilla/5.0";
        options.headers = {"Referer: https://beurs.test/aex", "Accept: text/csv",
                           "X-Smuggled: a\r\nX-Evil: b"};
        QCOMPARE(DownloadPage(server.UrlText("/pad"), INTERNET_OPEN_TYPE_PRECONFIG, options),
                 std::string("ok"));
        const TestSupport::LoopbackRequest own = server.Requests().value(1);
        QCOMPARE(own.Header("User-Agent"), QByteArray("Mozilla/5.0"));
        QCOMPARE(own.Header("Referer"), QByteArray("https://beurs.test/aex"));
        QCOMPARE(own.Header("Accept"), QByteArray("text/csv"));
        QCOMPARE(own.Header("Cache-Control"), QByteArray("no-cache"));
        QCOMPARE(own.HeaderCount("X-Smuggled") + own.HeaderCount("X-Evil"), 0);

        // An agent with a line break is not sent as written: the client's own goes instead.
        options.userAgent = "Mozilla/5.0\r\nX-Evil: b";
        QCOMPARE(DownloadPage(server.UrlText("/pad"), INTERNET_OPEN_TYPE_PRECONFIG, options),
                 std::string("ok"));
        const TestSupport::LoopbackRequest smuggled = server.Requests().value(2);
        QCOMPARE(smuggled.HeaderCount("X-Evil"), 0);
        QCOMPARE(smuggled.Header("User-Agent"), QByteArray("Delphi Function: Download"));

        // A refusal's Retry-After reaches the caller, as sent.
        LoopbackReply busy = LoopbackReply::Page("Too Many Requests", 429);
        busy.headers = {{"Retry-After", "120"}};
        server.Serve(busy);
        const FetchResult refused = Fetch(server.UrlText("/pad"), INTERNET_OPEN_TYPE_PRECONFIG, options);
        QCOMPARE(refused.status, 429L);
        QCOMPARE(refused.retryAfter, std::string("120"));
    }

    void unknownCertificateRefused()
    {
        // Under wine the loopback server cannot answer a handshake (wine's Schannel serves no TLS),
        // so a refusal would show nothing, and the failed server side keeps the test from ending.
#ifdef Q_OS_WIN
        if (!qEnvironmentVariableIsEmpty("WINEPREFIX"))
            QSKIP("wine's Schannel serves no TLS: the loopback server cannot answer a handshake");
#endif
        const QString folder = TestSupport::SourceDir() + QStringLiteral("/tests/data/tls/");
        const TestSupport::LoopbackTls identity{TestSupport::ReadFile(folder + "selfsigned-cert.pem"),
                                                TestSupport::ReadFile(folder + "selfsigned-key.pem")};
        QVERIFY(!identity.certificatePem.isEmpty() && !identity.keyPem.isEmpty());
        LoopbackServer server(identity);
        server.Serve(LoopbackReply::Page("geheim"));
        QVERIFY(server.Url().startsWith("https://"));
        QCOMPARE(DownloadPage(server.UrlText(), INTERNET_OPEN_TYPE_DIRECT), std::string());
        QCOMPARE(server.RequestCount(), 0);

        // The server itself works: a client that accepts any certificate gets the page.
        QSslSocket client;
        client.setPeerVerifyMode(QSslSocket::VerifyNone);
        client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), server.Port());
        QVERIFY(client.waitForEncrypted(5000));
        client.write("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        QByteArray answer;
        while (!answer.contains("geheim") && client.waitForReadyRead(5000))
            answer += client.readAll();
        QVERIFY(answer.endsWith("geheim"));
        QCOMPARE(server.RequestCount(), 1);
    }

    void proxy_data()
    {
        QTest::addColumn<int>("access");
        QTest::addColumn<bool>("proxySet");
        QTest::addColumn<QByteArray>("noProxy");
        QTest::addColumn<bool>("throughProxy");

        QTest::newRow("preconfigured access goes through http_proxy")
            << int(INTERNET_OPEN_TYPE_PRECONFIG) << true << QByteArray() << true;
        QTest::newRow("direct access ignores http_proxy")
            << int(INTERNET_OPEN_TYPE_DIRECT) << true << QByteArray() << false;
        QTest::newRow("no_proxy exempts the host")
            << int(INTERNET_OPEN_TYPE_PRECONFIG) << true << QByteArray("127.0.0.1") << false;
        QTest::newRow("preconfigured access without a proxy")
            << int(INTERNET_OPEN_TYPE_PRECONFIG) << false << QByteArray() << false;
    }
    void proxy()
    {
        QFETCH(int, access);
        QFETCH(bool, proxySet);
        QFETCH(QByteArray, noProxy);
        QFETCH(bool, throughProxy);

        LoopbackServer site;
        LoopbackServer proxy;
        site.Serve(LoopbackReply::Page("van de site"));
        proxy.Serve(LoopbackReply::Page("van de proxy"));
        qputenv("http_proxy", proxySet ? proxy.Url().toUtf8() : QByteArray());
        qputenv("no_proxy", noProxy);
        const auto restore = qScopeGuard([] {
            qputenv("http_proxy", QByteArray());
            qputenv("no_proxy", QByteArray());
        });

        const std::string body = DownloadPage(site.UrlText("/index.php?type=main"), AccessType(access));
        QCOMPARE(body, std::string(throughProxy ? "van de proxy" : "van de site"));
        QCOMPARE(proxy.RequestCount(), throughProxy ? 1 : 0);
        QCOMPARE(site.RequestCount(), throughProxy ? 0 : 1);
        if (throughProxy) // a proxy gets the full address
            QCOMPARE(proxy.Requests().first().target, site.Url("/index.php?type=main").toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
