#pragma once
// Whether an index value can be true: a sane number with at most two decimals, and not too far
// from the newest trusted value before it. Shared by the closing-price back-fill, the quote
// download and the judging of the values stored in AEX.dat.

#include "history/DayEntry.h"

#include <optional>
#include <string_view>
#include <vector>

namespace History {

// The index has never come near this; anything above it is a fault of the source.
inline constexpr double HighestPlausibleValue = 100000.0;

// A value of a day that later values are compared with.
struct Anchor
{
    int day = NoDay;
    double value = 0.0;
    bool Valid() const { return day != NoDay; }
};

// A value may lie this many times above or below the anchor `days` days before it (at least
// one day): 1.2 to the power of the square root of the days, and beyond a week at most the
// largest move the real AEX made over that many days, with a margin (over 302 days 3.2 times,
// not 23.6).
double PlausibleFactor(int days);

// Finite, above LeastValue and at most HighestPlausibleValue.
bool IsSaneValue(double value);

// Sane, and, with a valid anchor, within PlausibleFactor of it over the days between them.
bool IsPlausible(double value, int day, const Anchor& anchor);

// A value text as a source writes it: digits, optionally one decimal point or comma followed
// by one or two digits, blanks and tabs around it allowed. Nothing for any other text.
std::optional<double> ReadCentValue(std::string_view text);

// The trusted values of a history, ascending: walking from the oldest day, a valued entry is
// trusted when it is plausible against the last trusted one before it; the first valued entry
// is trusted when it is sane. So one absurd value is passed over and never anchors the next.
class TrustedValues
{
public:
    TrustedValues() = default;
    explicit TrustedValues(const EntryList& ascending);
    // Adds a day after every day held so far, when plausible; returns whether it was taken.
    bool Add(int day, double value);
    // The newest trusted value of a day before `day`; invalid when there is none.
    Anchor Before(int day) const;
    Anchor Newest() const;
    bool IsTrusted(int day) const;

private:
    std::vector<Anchor> m_values;
};

enum class ValueKind : unsigned char
{
    Real,        // a value of its own, as far as can be told
    Missing,     // "0,0", or no day
    Implausible, // passed over by TrustedValues
    FilledIn,    // lies on the straight line between the days around it
};

// Per entry of an ascending list (`ascending` followed by `after`: the list may come in two
// parts), what its value is. A value counts as filled in when it lies on the straight line
// between the days before and after it (to the cent that filling rounds to), or when it is the
// last entry and repeats a filled-in value before it. A real close can lie on that line by
// chance (78 of the 10 966 closes since 1983 do); only the same close from the list then
// replaces it.
std::vector<ValueKind> ValueKinds(const EntryList& ascending, const EntryList& after = {});

// Saturday and Sunday: days without a close of their own.
bool IsWeekend(int day);

} // namespace History
