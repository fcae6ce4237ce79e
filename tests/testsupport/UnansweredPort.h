#pragma once
// A port on 127.0.0.1 whose connections are never completed: it listens with a full
// backlog, so the kernel drops further connection requests and a client waits in its
// connection phase as it would for a host that does not answer, without leaving the machine.

#include <QtGlobal>
#include <vector>

namespace TestSupport {

class UnansweredPort
{
public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;

    quint16 Port() const { return m_port; } // 0 when it could not be set up

private:
    int m_listener = -1;
    std::vector<int> m_fillers;
    quint16 m_port = 0;
};

} // namespace TestSupport
