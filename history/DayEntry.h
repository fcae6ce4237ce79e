#pragma once
// A day entry: the day number, " - " and the index value ("41067 - 312,45").
// "0,0" marks a day without a value.

#include <string>
#include <string_view>
#include <vector>

namespace History {

using EntryList = std::vector<std::string>;

inline constexpr int NoDay = -1;
inline constexpr int MaxDay = 65535; // day numbers are unsigned 16-bit values

// The day number before the first blank; NoDay when that is not a whole number in 0 ... 65535.
int EntryDay(std::string_view entry);
// The value after the first hyphen, read with a point or a comma; 0 when there is none.
double EntryValue(std::string_view entry);
// "<day> - <value>"
std::string MakeEntry(int day, std::string_view value);

// A value below 0.1 counts as a day without a value.
inline constexpr double LeastValue = 0.1;
inline constexpr const char* NoValue = "0,0";
bool HasValue(std::string_view entry);
// The value text of an entry without the blanks around it ("312,45"), to copy into another day.
std::string ValueText(std::string_view entry);

} // namespace History
