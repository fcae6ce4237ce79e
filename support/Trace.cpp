#include "support/Trace.h"

#include "support/Clock.h"
#include "support/Product.h"
#include "support/Regional.h"

#include <QFile>

namespace Support {

bool TraceOn = false;
std::uint8_t TraceDepth = 0;

namespace {
std::string& Folder()
{
    static std::string folder;
    return folder;
}
} // namespace

void SetTraceFolder(std::string folder)
{
    Folder() = std::move(folder);
}

const std::string& TraceFolder()
{
    return Folder();
}

void WriteTrace(const std::string& message)
{
    if (!TraceOn)
        return;
    const QString fileName = QString::fromLocal8Bit(Folder() + ProductName + ".log");
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // the line is lost; the caller goes on
    const QByteArray line = Regional().DateTimeText(Clock::Now()).toLocal8Bit() + " - " +
                            QByteArray(TraceDepth, ' ') + QByteArray::fromStdString(message) + "\r\n";
    file.write(line);
    file.flush();
    file.close();
}

TraceScope::TraceScope(std::string operation) : m_operation(std::move(operation))
{
    WriteTrace(m_operation + " - begin");
    // The level is 8 bits wide; at its top it stays put rather than wrap to no indent.
    if (TraceOn && TraceDepth < UINT8_MAX) {
        ++TraceDepth;
        m_opened = true;
    }
}

// Only a level this bracket opened is closed, so switching the trace on or off inside the
// body never leaves the depth off by one.
TraceScope::~TraceScope()
{
    if (m_opened && TraceDepth > 0)
        --TraceDepth;
    WriteTrace(m_operation + " - einde");
}

} // namespace Support
