#pragma once
// A small HTTP server on 127.0.0.1 for tests, scripted per test. It runs in a thread of its
// own with its own event loop, so a blocking fetch on the test's thread gets its answers.
// Every connection carries one request and is closed after the answer. A request whose
// target is a full address ("GET http://host/ HTTP/1.1") is what a client sends to a proxy;
// the server answers it like any other, so a test can check that a fetch went through it.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <memory>
#include <optional>
#include <string>

class QThread;

namespace TestSupport {

// What the server does with one request.
struct LoopbackReply
{
    enum class Action
    {
        Answer,             // status, headers and the whole body, then close
        Close,              // close the connection without a byte
        StallBeforeHeaders, // keep the connection open and say nothing
        StallAfterHeaders,  // headers announcing the whole body, `sentBeforeStall` bytes of it, then silence
        Trickle,            // headers, then `trickleBytes` of the body every `trickleIntervalMs`
        CutShort,           // headers announcing the whole body, `sentBeforeStall` bytes of it, then close
    };
    Action action = Action::Answer;
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers; // extra header lines
    qsizetype sentBeforeStall = 0;
    int trickleIntervalMs = 100;
    qsizetype trickleBytes = 1;

    static LoopbackReply Page(const QByteArray& body, int status = 200);
    static LoopbackReply Empty();
    static LoopbackReply Closed();
    static LoopbackReply Redirect(const QByteArray& location);
    static LoopbackReply Silent();
    static LoopbackReply Stall(const QByteArray& body, qsizetype sentBeforeStall);
    // A slow server: `bytesPerTick` bytes every `intervalMs`.
    static LoopbackReply Trickling(const QByteArray& body, int intervalMs, qsizetype bytesPerTick = 1);
    // The connection closes after `sent` bytes of a body whose whole length was announced.
    static LoopbackReply CutShortAfter(const QByteArray& body, qsizetype sent);
};

struct LoopbackRequest
{
    QByteArray method;
    QByteArray target; // "/path?query", or a full address when sent to a proxy
    QList<QPair<QByteArray, QByteArray>> headers;

    // The value of the first header of that name (any case); empty when absent.
    QByteArray Header(const QByteArray& name) const;
    int HeaderCount(const QByteArray& name) const;
};

// A certificate and its private key, both PEM, for a server that speaks TLS.
struct LoopbackTls
{
    QByteArray certificatePem;
    QByteArray keyPem;
};

class LoopbackServer
{
public:
    // Listens on 127.0.0.1 at a free port; answers every request with an empty 200 until
    // scripted. With `tls` it speaks HTTPS.
    explicit LoopbackServer(const std::optional<LoopbackTls>& tls = std::nullopt);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path ("https" with TLS)
    QString Url(const QString& path = QStringLiteral("/")) const;
    std::string UrlText(const QString& path = QStringLiteral("/")) const;

    // The replies in turn, one per request; the last one repeats. Forgets earlier requests.
    void Script(const QList<LoopbackReply>& replies);
    void Serve(const LoopbackReply& reply) { Script({reply}); }
    // `failures` times `failure`, then `answer` for every later request.
    void FailThenAnswer(int failures, const LoopbackReply& failure, const LoopbackReply& answer);

    QList<LoopbackRequest> Requests() const;
    int RequestCount() const;

    struct State;
    class Worker;

private:
    std::shared_ptr<State> m_state;
    QThread* m_thread = nullptr;
    Worker* m_worker = nullptr;
    quint16 m_port = 0;
    bool m_tls = false;
};

// A port on 127.0.0.1 on which nothing listens (it was free a moment ago).
quint16 ClosedPort();

} // namespace TestSupport
