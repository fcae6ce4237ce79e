#include "history/Plausibility.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

namespace History {

namespace {

// The real AEX closes since 1983 (data/aex-daily-close.csv) moved at most 12.1 % between two
// calendar days and 21.6 % over two (October 1987, October 2008); over n calendar days the
// largest move, as a factor, never exceeded 1.149 to the power of the square root of n (that
// bound is reached over two days; over a month it is 1.10, over a year 1.05). A base of 1.2
// leaves room for a move a third larger than any seen, and still refuses a value ten times the
// anchor across a gap of up to five months.
constexpr double FactorBase = 1.2;

// Filling rounds to the cent: a filled-in value lies within a cent of the middle of its
// neighbours, which are rounded too.
constexpr double LineTolerance = 0.01;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

namespace {

// The largest move of the real AEX (data/aex-daily-close.csv, 1983 to 2026) between two closes
// at most `days` calendar days apart, as a factor: each row holds for every span up to its days.
// Over a long gap the square-root rule alone would let through nonsense (23.6 times the anchor
// over 302 days); these moves, a third larger on a log scale, bound it.
struct LargestMove
{
    int days;
    double factor;
};
constexpr LargestMove LargestMoves[] = {
    {1, 1.1205},    {2, 1.2156},    {5, 1.2313},    {7, 1.3332},    {14, 1.3876},
    {21, 1.4891},   {31, 1.6986},   {45, 1.7647},   {62, 1.7927},   {92, 1.8774},
    {183, 2.1780},  {274, 2.4173},  {365, 2.4899},  {548, 2.8062},  {730, 2.8201},
    {1096, 3.2117}, {1461, 3.3879}, {2192, 4.8360}, {3653, 7.1044}, {7305, 15.5384},
};
constexpr double MoveMargin = 4.0 / 3.0; // as an exponent: a move a third larger, in log terms
constexpr int FewDays = 7;

double LargestMoveBound(int days)
{
    for (const LargestMove& move : LargestMoves)
        if (days <= move.days)
            return std::pow(move.factor, MoveMargin);
    return std::pow(std::end(LargestMoves)[-1].factor, MoveMargin);
}

} // namespace

double PlausibleFactor(int days)
{
    const int span = std::max(days, 1);
    const auto rule = [](int n) { return std::pow(FactorBase, std::sqrt(static_cast<double>(n))); };
    // Over a few trading days the rule is what it was (worked out once: a history asks it for
    // nearly every day); beyond, the real moves bound it.
    static const std::array<double, FewDays + 1> fewDays = [&rule] {
        std::array<double, FewDays + 1> factors{};
        for (int n = 1; n <= FewDays; ++n)
            factors[static_cast<std::size_t>(n)] = rule(n);
        return factors;
    }();
    return span <= FewDays ? fewDays[static_cast<std::size_t>(span)]
                           : std::min(rule(span), LargestMoveBound(span));
}

bool IsSaneValue(double value)
{
    return std::isfinite(value) && value > LeastValue && value <= HighestPlausibleValue;
}

bool IsPlausible(double value, int day, const Anchor& anchor)
{
    if (!IsSaneValue(value))
        return false;
    if (!anchor.Valid() || !IsSaneValue(anchor.value))
        return true;
    const double factor = PlausibleFactor(std::abs(day - anchor.day));
    return value <= anchor.value * factor && value >= anchor.value / factor;
}

std::optional<double> ReadCentValue(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    std::size_t digits = 0;
    while (digits < text.size() && IsDigit(text[digits]))
        ++digits;
    if (digits == 0)
        return std::nullopt;
    if (digits < text.size()) {
        const std::size_t decimals = text.size() - digits - 1;
        if ((text[digits] != ',' && text[digits] != '.') || decimals < 1 || decimals > 2)
            return std::nullopt;
        for (std::size_t i = digits + 1; i < text.size(); ++i)
            if (!IsDigit(text[i]))
                return std::nullopt;
    }
    // Whole cents, so that no rounding of the text can make it a different value.
    double cents = 0.0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (IsDigit(text[i]))
            cents = cents * 10.0 + (text[i] - '0');
    for (std::size_t decimals = digits < text.size() ? text.size() - digits - 1 : 0; decimals < 2; ++decimals)
        cents *= 10.0;
    return cents / 100.0;
}

TrustedValues::TrustedValues(const EntryList& ascending)
{
    m_values.reserve(ascending.size());
    for (const DayEntry& entry : ascending)
        if (const double value = EntryValue(entry); value >= LeastValue)
            Add(EntryDay(entry), value);
}

bool TrustedValues::Add(int day, double value)
{
    if (day == NoDay || (!m_values.empty() && day <= m_values.back().day))
        return false;
    if (!IsPlausible(value, day, Newest()))
        return false;
    m_values.push_back({day, value});
    return true;
}

Anchor TrustedValues::Before(int day) const
{
    const auto at = std::lower_bound(m_values.begin(), m_values.end(), day,
                                     [](const Anchor& anchor, int d) { return anchor.day < d; });
    return at == m_values.begin() ? Anchor{} : *(at - 1);
}

Anchor TrustedValues::Newest() const
{
    return m_values.empty() ? Anchor{} : m_values.back();
}

bool TrustedValues::IsTrusted(int day) const
{
    const auto at = std::lower_bound(m_values.begin(), m_values.end(), day,
                                     [](const Anchor& anchor, int d) { return anchor.day < d; });
    return at != m_values.end() && at->day == day;
}

std::vector<ValueKind> ValueKinds(const EntryList& ascending, const EntryList& after)
{
    const std::size_t count = ascending.size() + after.size();
    const auto entry = [&](std::size_t i) -> const DayEntry& {
        return i < ascending.size() ? ascending[i] : after[i - ascending.size()];
    };
    std::vector<int> days(count);
    std::vector<double> values(count);
    std::vector<bool> valued(count);
    for (std::size_t i = 0; i < count; ++i) {
        days[i] = EntryDay(entry(i));
        values[i] = EntryValue(entry(i));
        valued[i] = days[i] != NoDay && values[i] >= LeastValue;
    }
    const auto onLine = [&](std::size_t i) {
        if (i == 0 || i + 1 >= count || !valued[i - 1] || !valued[i + 1] || days[i - 1] != days[i] - 1 ||
            days[i + 1] != days[i] + 1)
            return false;
        const double middle = (values[i - 1] + values[i + 1]) / 2.0;
        return std::abs(values[i] - middle) <= LineTolerance * (1.0 + 1e-9);
    };

    // As TrustedValues(ascending) would, from the values read above. In ascending order no
    // later value is added on a day already passed, so a value is trusted when it is added, or
    // when its day was already trusted.
    TrustedValues trusted;
    std::vector<bool> isTrusted(count);
    for (std::size_t i = 0; i < count; ++i)
        if (valued[i])
            isTrusted[i] = trusted.Add(days[i], values[i]) || trusted.IsTrusted(days[i]);
    std::vector<ValueKind> kinds(count, ValueKind::Missing);
    for (std::size_t i = 0; i < count; ++i) {
        if (!valued[i])
            continue;
        if (!isTrusted[i])
            kinds[i] = ValueKind::Implausible;
        else
            kinds[i] = onLine(i) ? ValueKind::FilledIn : ValueKind::Real;
    }
    // A trailing run of one repeated value (the last value carried forward): its last entry has
    // no day after it to show that it lies on the line.
    if (count >= 2 && kinds[count - 1] == ValueKind::Real && kinds[count - 2] == ValueKind::FilledIn &&
        days[count - 2] == days[count - 1] - 1 && ValueText(entry(count - 1)) == ValueText(entry(count - 2)))
        kinds[count - 1] = ValueKind::FilledIn;
    return kinds;
}

bool IsWeekend(int day)
{
    // Day 0, 30 December 1899, was a Saturday.
    return day % 7 == 0 || day % 7 == 1;
}

} // namespace History
