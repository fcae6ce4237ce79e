#pragma once
// A developer's trace: one line per call in the trace folder + "Koerszicht.log", written only
// while TraceOn is set. Nothing in the program switches it on.

#include <cstdint>
#include <string>

namespace Support {

extern bool TraceOn;
extern std::uint8_t TraceDepth;

// The folder of the log, with its final separator; set once at start-up to the data folder.
// Until then (empty) the log is written in the current folder.
void SetTraceFolder(std::string folder);
const std::string& TraceFolder();

void WriteTrace(const std::string& message);

// Brackets a traced operation: "<operation> - begin", one level deeper for the body,
// "<operation> - einde". The level is restored however the body is left.
class TraceScope
{
public:
    explicit TraceScope(std::string operation);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    std::string m_operation;
    bool m_opened = false;
};

} // namespace Support
