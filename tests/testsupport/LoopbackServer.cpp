#include "testsupport/LoopbackServer.h"

#include <QHostAddress>
#include <QMutex>
#include <QMutexLocker>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>

namespace TestSupport {

LoopbackReply LoopbackReply::Page(const QByteArray& body, int status)
{
    LoopbackReply reply;
    reply.body = body;
    reply.status = status;
    return reply;
}

LoopbackReply LoopbackReply::Empty()
{
    return Page(QByteArray());
}

LoopbackReply LoopbackReply::Closed()
{
    LoopbackReply reply;
    reply.action = Action::Close;
    return reply;
}

LoopbackReply LoopbackReply::Redirect(const QByteArray& location)
{
    LoopbackReply reply = Page("moved", 302);
    reply.headers.append({"Location", location});
    return reply;
}

LoopbackReply LoopbackReply::Silent()
{
    LoopbackReply reply;
    reply.action = Action::StallBeforeHeaders;
    return reply;
}

LoopbackReply LoopbackReply::Stall(const QByteArray& body, qsizetype sentBeforeStall)
{
    LoopbackReply reply = Page(body);
    reply.action = Action::StallAfterHeaders;
    reply.sentBeforeStall = sentBeforeStall;
    return reply;
}

LoopbackReply LoopbackReply::Trickling(const QByteArray& body, int intervalMs, qsizetype bytesPerTick)
{
    LoopbackReply reply = Page(body);
    reply.action = Action::Trickle;
    reply.trickleIntervalMs = intervalMs;
    reply.trickleBytes = std::max<qsizetype>(1, bytesPerTick);
    return reply;
}

LoopbackReply LoopbackReply::CutShortAfter(const QByteArray& body, qsizetype sent)
{
    LoopbackReply reply = Page(body);
    reply.action = Action::CutShort;
    reply.sentBeforeStall = sent;
    return reply;
}

QByteArray LoopbackRequest::Header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

int LoopbackRequest::HeaderCount(const QByteArray& name) const
{
    int count = 0;
    for (const auto& header : headers)
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            ++count;
    return count;
}

// Shared between the test's thread and the server's thread.
struct LoopbackServer::State
{
    mutable QMutex mutex;
    QList<LoopbackReply> replies{LoopbackReply::Empty()};
    int served = 0;
    QList<LoopbackRequest> requests;

    LoopbackReply Take(const LoopbackRequest& request)
    {
        const QMutexLocker lock(&mutex);
        requests.append(request);
        return replies.at(std::min(served++, static_cast<int>(replies.size()) - 1));
    }
};

namespace {

QByteArray ReasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QByteArray HeaderBlock(const LoopbackReply& reply)
{
    QByteArray text =
        "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + ReasonPhrase(reply.status) + "\r\n";
    text += "Content-Type: text/html\r\n";
    text += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    text += "Connection: close\r\n";
    for (const auto& [name, value] : reply.headers)
        text += name + ": " + value + "\r\n";
    return text + "\r\n";
}

// Parses a complete request head; false while it is not complete yet.
bool ParseRequest(const QByteArray& data, LoopbackRequest& request)
{
    const qsizetype end = data.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QList<QByteArray> lines = data.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.target = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return true;
}

} // namespace

// Lives in the server's thread; everything it touches besides the shared state is its own.
class LoopbackServer::Worker : public QObject
{
public:
    explicit Worker(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    quint16 Listen(const std::optional<LoopbackTls>& tls)
    {
        if (tls) {
            auto* server = new QSslServer(this);
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(QSslCertificate(tls->certificatePem, QSsl::Pem));
            configuration.setPrivateKey(QSslKey(tls->keyPem, QSsl::Rsa, QSsl::Pem));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            server->setSslConfiguration(configuration);
            m_server = server;
        } else {
            m_server = new QTcpServer(this);
        }
        // Emitted for a TLS connection only once its handshake is done.
        QObject::connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] { Accept(); });
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        return m_server->serverPort();
    }

    // Stops listening and drops every open connection.
    void Stop()
    {
        delete m_server;
        m_server = nullptr;
        // Direct children only: a TLS socket owns a plain socket of its own, which goes with it.
        for (QTcpSocket* socket : findChildren<QTcpSocket*>(Qt::FindDirectChildrenOnly)) {
            socket->abort();
            delete socket;
        }
    }

private:
    struct Connection
    {
        QByteArray received;
        bool answered = false;
    };

    void Accept()
    {
        while (QTcpSocket* socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            auto* connection = new Connection;
            QObject::connect(socket, &QObject::destroyed, [connection] { delete connection; });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, connection] {
                const QByteArray data = socket->readAll();
                if (connection->answered)
                    return;
                connection->received.append(data);
                LoopbackRequest request;
                if (!ParseRequest(connection->received, request))
                    return;
                connection->answered = true;
                Reply(socket, m_state->Take(request));
            });
        }
    }

    void Reply(QTcpSocket* socket, const LoopbackReply& reply)
    {
        switch (reply.action) {
        case LoopbackReply::Action::Answer:
            socket->write(HeaderBlock(reply) + reply.body);
            socket->disconnectFromHost();
            break;
        case LoopbackReply::Action::Close:
            socket->disconnectFromHost();
            break;
        case LoopbackReply::Action::StallBeforeHeaders:
            break;
        case LoopbackReply::Action::StallAfterHeaders:
            socket->write(HeaderBlock(reply) + reply.body.left(reply.sentBeforeStall));
            socket->flush();
            break;
        case LoopbackReply::Action::CutShort:
            socket->write(HeaderBlock(reply) + reply.body.left(reply.sentBeforeStall));
            socket->disconnectFromHost();
            break;
        case LoopbackReply::Action::Trickle: {
            socket->write(HeaderBlock(reply));
            auto* timer = new QTimer(socket);
            auto sent = std::make_shared<qsizetype>(0);
            QObject::connect(timer, &QTimer::timeout, socket,
                             [socket, timer, sent, body = reply.body, bytes = reply.trickleBytes] {
                                 if (*sent >= body.size()) {
                                     timer->stop();
                                     socket->disconnectFromHost();
                                     return;
                                 }
                                 socket->write(body.mid(*sent, bytes));
                                 *sent += bytes;
                             });
            timer->start(reply.trickleIntervalMs);
            break;
        }
        }
    }

    std::shared_ptr<State> m_state;
    QTcpServer* m_server = nullptr;
};

LoopbackServer::LoopbackServer(const std::optional<LoopbackTls>& tls)
    : m_state(std::make_shared<State>()), m_tls(tls.has_value())
{
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("LoopbackServer"));
    m_worker = new Worker(m_state);
    m_worker->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(
        m_worker, [this, &tls] { m_port = m_worker->Listen(tls); }, Qt::BlockingQueuedConnection);
    Q_ASSERT_X(m_port != 0, "LoopbackServer", "cannot listen on 127.0.0.1");
}

LoopbackServer::~LoopbackServer()
{
    QMetaObject::invokeMethod(
        m_worker, [this] { m_worker->Stop(); }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

QString LoopbackServer::Url(const QString& path) const
{
    return QStringLiteral("%1://127.0.0.1:%2%3").arg(m_tls ? "https" : "http").arg(m_port).arg(path);
}

std::string LoopbackServer::UrlText(const QString& path) const
{
    return Url(path).toStdString();
}

void LoopbackServer::Script(const QList<LoopbackReply>& replies)
{
    const QMutexLocker lock(&m_state->mutex);
    m_state->replies = replies.isEmpty() ? QList<LoopbackReply>{LoopbackReply::Empty()} : replies;
    m_state->served = 0;
    m_state->requests.clear();
}

void LoopbackServer::FailThenAnswer(int failures, const LoopbackReply& failure, const LoopbackReply& answer)
{
    QList<LoopbackReply> replies;
    for (int i = 0; i < failures; ++i)
        replies.append(failure);
    replies.append(answer);
    Script(replies);
}

QList<LoopbackRequest> LoopbackServer::Requests() const
{
    const QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

int LoopbackServer::RequestCount() const
{
    const QMutexLocker lock(&m_state->mutex);
    return static_cast<int>(m_state->requests.size());
}

quint16 ClosedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace TestSupport
