#pragma once
// A developer's trace: one line per call in DataFolder + "Koerszicht.log", written only
// while TraceOn is set. Nothing in the program switches it on.

#include <cstdint>
#include <string>

namespace Support {

extern bool TraceOn;
extern std::uint8_t TraceDepth;

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
