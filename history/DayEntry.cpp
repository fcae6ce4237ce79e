#include "history/DayEntry.h"

#include "support/TextFields.h"

#include <algorithm>
#include <charconv>

namespace History {

namespace {
constexpr std::string_view Separator = " - ";
} // namespace

EntryList Joined(const EntryList& first, const EntryList& second)
{
    EntryList joined;
    joined.reserve(first.size() + second.size());
    joined.insert(joined.end(), first.begin(), first.end());
    joined.insert(joined.end(), second.begin(), second.end());
    return joined;
}

std::string EntryLine(const DayEntry& entry)
{
    std::string line(EntryLineLength(entry), ' ');
    WriteEntryLine(line.data(), entry);
    return line;
}

std::size_t EntryLineLength(const DayEntry& entry)
{
    std::size_t digits = entry.day < 0 ? 2 : 1;
    for (int rest = entry.day < 0 ? -entry.day : entry.day; rest >= 10; rest /= 10)
        ++digits;
    return digits + Separator.size() + entry.value.size();
}

char* WriteEntryLine(char* out, const DayEntry& entry)
{
    out = std::to_chars(out, out + 12, entry.day).ptr;
    out = std::copy(Separator.begin(), Separator.end(), out);
    return std::copy(entry.value.begin(), entry.value.end(), out);
}

DayEntry ReadEntryLine(std::string_view line)
{
    DayEntry entry;
    const auto blank = line.find(' ');
    if (blank != std::string_view::npos && blank != 0) {
        int day = 0;
        const char* first = line.data();
        const char* last = line.data() + blank;
        const auto [end, error] = std::from_chars(first, last, day);
        if (error == std::errc() && end == last && day >= 0 && day <= MaxDay)
            entry.day = day;
    }
    const auto hyphen = line.find('-');
    if (hyphen != std::string_view::npos) {
        std::string_view value = line.substr(hyphen + 1);
        if (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        entry.value = std::string(value);
    }
    return entry;
}

double EntryValue(const DayEntry& entry)
{
    return Support::TextToFloat(entry.value);
}

DayEntry MakeEntry(int day, std::string_view value, Origin origin)
{
    return DayEntry{day, origin, std::string(value)};
}

bool HasValue(const DayEntry& entry)
{
    return EntryValue(entry) >= LeastValue;
}

bool HasOwnValue(const DayEntry& entry)
{
    return entry.origin != Origin::Filled && HasValue(entry);
}

std::string ValueText(const DayEntry& entry)
{
    std::string_view value = entry.value;
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    return std::string(value);
}

} // namespace History
