#include "history/DayEntry.h"

#include "support/TextFields.h"

#include <charconv>

namespace History {

int EntryDay(std::string_view entry)
{
    const auto blank = entry.find(' ');
    if (blank == std::string_view::npos || blank == 0)
        return NoDay;
    int day = 0;
    const char* first = entry.data();
    const char* last = entry.data() + blank;
    const auto [end, error] = std::from_chars(first, last, day);
    if (error != std::errc() || end != last || day < 0 || day > MaxDay)
        return NoDay;
    return day;
}

double EntryValue(std::string_view entry)
{
    const auto hyphen = entry.find('-');
    return hyphen == std::string_view::npos ? 0.0 : Support::TextToFloat(entry.substr(hyphen + 1));
}

std::string MakeEntry(int day, std::string_view value)
{
    std::string entry = std::to_string(day);
    entry += " - ";
    entry += value;
    return entry;
}

bool HasValue(std::string_view entry)
{
    return EntryValue(entry) >= LeastValue;
}

std::string ValueText(std::string_view entry)
{
    const auto hyphen = entry.find('-');
    if (hyphen == std::string_view::npos)
        return {};
    std::string_view value = entry.substr(hyphen + 1);
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    return std::string(value);
}

} // namespace History
