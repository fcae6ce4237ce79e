#pragma once
// A day entry: a day number, its index value as text, and where that value came from. The
// history file and the list box show it as one line, "41067 - 312,45" (EntryLine); nothing
// else makes or reads that line. "0,0" marks a day without a value.

#include <string>
#include <string_view>
#include <vector>

namespace History {

inline constexpr int NoDay = -1;
inline constexpr int MaxDay = 65535; // day numbers are unsigned 16-bit values

// Where an entry's value came from; the bookkeeping of the days not yet stored asks this
// instead of comparing texts.
enum class Origin : unsigned char
{
    Stored,   // the history: AEX.dat up to its newest stored day
    HeldBack, // the file's newest entries, left out of the history at loading
    Listed,   // a closing-prices list (the back-fill)
    Quoted,   // a quote download
    Filled,   // the series filling or a day added without a value: no value of its own
};

struct DayEntry
{
    int day = NoDay;
    Origin origin = Origin::Stored; // beside the day: 40 bytes an entry, not 48
    std::string value;              // as written: "312,45", "302.50", "0,0"

    // Two entries are equal when they say the same: day and value text. Where the value came
    // from is not part of what an entry says; ask `origin` for that.
    friend bool operator==(const DayEntry& a, const DayEntry& b)
    {
        return a.day == b.day && a.value == b.value;
    }
};

// The one ordering of entries: by day.
inline bool EarlierDay(const DayEntry& a, const DayEntry& b)
{
    return a.day < b.day;
}

using EntryList = std::vector<DayEntry>;

// `first` followed by `second`, made in one allocation (a whole history is large).
EntryList Joined(const EntryList& first, const EntryList& second);

// "<day> - <value>": the line of the history file and of the list box.
std::string EntryLine(const DayEntry& entry);
// The line's length, and the line written to `out`, which has room for it; returns its end.
// Writing the whole history so makes no text per line.
std::size_t EntryLineLength(const DayEntry& entry);
char* WriteEntryLine(char* out, const DayEntry& entry);
// Reads a line as EntryLine writes it: the day is the whole number before the first blank
// (NoDay when it is none in 0 ... 65535), the value the text after the first hyphen without
// one blank in front (empty when there is no hyphen). The origin is Stored.
DayEntry ReadEntryLine(std::string_view line);

// The accessors the program used when an entry was its line.
inline int EntryDay(const DayEntry& entry)
{
    return entry.day;
}
// The value text read with a point or a comma; 0 when it is not a number.
double EntryValue(const DayEntry& entry);
DayEntry MakeEntry(int day, std::string_view value, Origin origin = Origin::Stored);

// A value below 0.1 counts as a day without a value.
inline constexpr double LeastValue = 0.1;
inline constexpr const char* NoValue = "0,0";
bool HasValue(const DayEntry& entry);
// A value of the entry's own: one of 0.1 or more that the filling did not write.
bool HasOwnValue(const DayEntry& entry);
// The value text without the blanks around it ("312,45"), to copy into another day.
std::string ValueText(const DayEntry& entry);

} // namespace History
