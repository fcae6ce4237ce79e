#pragma once
// Shared by the fuzz targets: a fixed clock and regional settings, a reader that takes the
// leading bytes of an input as parameters, and a check that stops the run with a message.

#include "history/DayEntry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Fuzz {

// Dutch regional settings (decimal comma) and the clock at 7 June 2012 12:00, once per process.
void SetUp();

// The day number of the fixed "today" of SetUp: 7 June 2012.
inline constexpr int Today = 41067;

class Input;
// A day number from two bytes of the input: 40000 ... 47999 (July 2009 to May 2031), the
// range of the histories in the seeds.
int DayFrom(Input& input);

// Reports a broken invariant and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what, std::string_view detail);

inline void Check(bool holds, const char* what, std::string_view detail = {})
{
    if (!holds)
        Fail(what, detail);
}

inline void Check(bool holds, const char* what, const History::DayEntry& entry)
{
    if (!holds)
        Fail(what, History::EntryLine(entry));
}

// Takes parameters from the front of the input; what is left is the data.
class Input
{
public:
    Input(const std::uint8_t* data, std::size_t size) : m_text(reinterpret_cast<const char*>(data), size) {}

    // The next byte, 0 when none is left.
    std::uint8_t Byte();
    // The text up to the next `separator` (the separator is consumed); the rest when absent.
    std::string_view Part(char separator);
    std::string_view Rest() const { return m_text; }

private:
    std::string_view m_text;
};

} // namespace Fuzz
