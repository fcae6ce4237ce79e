#include "testsupport/UnansweredPort.h"

#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

namespace {
sockaddr_in Loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}
} // namespace

UnansweredPort::UnansweredPort()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    const quint16 port = ntohs(address.sin_port);
    // Fill the accept queue; nobody ever accepts, so later requests are dropped.
    for (int i = 0; i < 3; ++i) {
        const int filler = ::socket(AF_INET, SOCK_STREAM, 0);
        if (filler < 0)
            continue;
        ::fcntl(filler, F_SETFL, O_NONBLOCK);
        const sockaddr_in target = Loopback(port);
        ::connect(filler, reinterpret_cast<const sockaddr*>(&target), sizeof target);
        m_fillers.push_back(filler);
    }
    QThread::msleep(100);
    m_port = port;
}

UnansweredPort::~UnansweredPort()
{
    for (int filler : m_fillers)
        ::close(filler);
    if (m_listener >= 0)
        ::close(m_listener);
}

} // namespace TestSupport
