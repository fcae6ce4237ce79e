#include "FuzzSupport.h"

#include "support/Clock.h"
#include "support/Regional.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace Fuzz {

void SetUp()
{
    static const bool done = [] {
        Support::SetRegional(Support::RegionalSettings::Dutch());
        Support::Clock::Set(QDateTime(QDate(2012, 6, 7), QTime(12, 0)));
        return true;
    }();
    (void)done;
}

void Fail(const char* what, std::string_view detail)
{
    std::fprintf(stderr, "Invariant broken: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "  at: %.*s\n", static_cast<int>(std::min<std::size_t>(detail.size(), 400)),
                     detail.data());
    std::abort();
}

int DayFrom(Input& input)
{
    const int high = input.Byte();
    const int low = input.Byte();
    return 40000 + (high * 256 + low) % 8000;
}

std::uint8_t Input::Byte()
{
    if (m_text.empty())
        return 0;
    const auto byte = static_cast<std::uint8_t>(m_text.front());
    m_text.remove_prefix(1);
    return byte;
}

std::string_view Input::Part(char separator)
{
    const auto at = m_text.find(separator);
    const std::string_view part = m_text.substr(0, at);
    m_text = at == std::string_view::npos ? std::string_view() : m_text.substr(at + 1);
    return part;
}

} // namespace Fuzz
