#include "support/TextFields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace Support {

namespace {
constexpr std::size_t ShortTextLength = 79;
constexpr std::size_t MaxFixedLength = 12;
constexpr std::size_t MaxAfterLastLength = 255;
} // namespace

std::string TextBefore(char separator, std::string_view text)
{
    const auto at = text.find(separator);
    return at == std::string_view::npos ? std::string() : std::string(text.substr(0, at));
}

std::string TextAfter(char separator, std::string_view text)
{
    const auto at = text.find(separator);
    return at == std::string_view::npos ? std::string() : std::string(text.substr(at + 1));
}

std::string TextAfterLast(char separator, std::string_view text)
{
    const auto at = text.rfind(separator);
    if (at == std::string_view::npos)
        return {};
    return std::string(text.substr(at + 1, MaxAfterLastLength));
}

std::string TextBeforeLast(char separator, std::string_view text)
{
    if (text.empty())
        return {};
    if (text.back() == separator)
        return std::string(text.substr(0, text.size() - 1));
    const auto at = text.rfind(separator);
    return at == std::string_view::npos ? std::string() : std::string(text.substr(0, at));
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string RemoveBlanks(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != ' ')
            result += c;
    return result;
}

std::string PointToComma(std::string_view text)
{
    std::string result(text);
    if (const auto at = result.find('.'); at != std::string::npos)
        result[at] = ',';
    return result;
}

namespace {
template <typename Keep> std::string FilterShortText(std::string_view text, Keep keep)
{
    std::string result;
    for (char c : text.substr(0, ShortTextLength))
        if (keep(c))
            result += c;
    return result;
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

std::string StripDigits(std::string_view text)
{
    return FilterShortText(text, [](char c) { return !IsDigit(c); });
}

std::string KeepNumberChars(std::string_view text)
{
    return FilterShortText(text, [](char c) { return IsDigit(c) || c == ',' || c == '.'; });
}

namespace {

// The common text, as every history value is written: an optional leading minus, at most
// MaxExactDigits digits and at most one separator, blanks anywhere. The digits as one whole
// number and the power of ten are both exact in a double, so the one rounding of their quotient
// gives the nearest double, as from_chars does, at a fraction of its cost.
constexpr int MaxExactDigits = 15;
constexpr std::array<double, MaxExactDigits + 1> PowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

std::optional<double> ShortDecimal(std::string_view input)
{
    std::uint64_t number = 0;
    int digits = 0;
    int decimals = -1; // -1 before a separator
    bool negative = false;
    bool begun = false;
    for (const char c : input) {
        if (c == ' ')
            continue;
        if (c == '-' && !begun) {
            negative = true;
        } else if (c == ',' || c == '.') {
            if (decimals >= 0)
                return std::nullopt;
            decimals = 0;
        } else if (IsDigit(c) && digits < MaxExactDigits) {
            number = number * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            if (decimals >= 0)
                ++decimals;
        } else {
            return std::nullopt;
        }
        begun = true;
    }
    if (digits == 0)
        return std::nullopt;
    const double value =
        static_cast<double>(number) / PowersOfTen.at(static_cast<std::size_t>(std::max(decimals, 0)));
    return negative ? -value : value;
}

} // namespace

double TextToFloat(std::string_view input)
{
    // A start reads every value of the history: most of them take the short way.
    if (const std::optional<double> value = ShortDecimal(input))
        return *value;
    std::string own;
    own.reserve(input.size());
    bool comma = false;
    for (char c : input) {
        if (c == ' ')
            continue;
        if (c == ',' && !comma) {
            c = '.'; // the first comma is the decimal separator
            comma = true;
        }
        if (!IsDigit(c) && c != '-' && c != '.')
            return 0.0;
        own += c;
    }
    // Converted as far as it is a number ("1.2.3" reads as 1.2, "12." as 12, ".5" as 0.5);
    // nothing readable, the empty text included, gives 0.
    double value = 0.0;
    const auto [end, error] = std::from_chars(own.data(), own.data() + own.size(), value);
    if (error != std::errc())
        return 0.0;
    return value;
}

std::string FloatToFixed(double value, int width, int decimals, char decimalSeparator)
{
    // Only the first 12 characters are kept; 60 decimals fill them whatever the value.
    decimals = std::clamp(decimals, 0, 60);
    char buffer[400];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string number = error == std::errc() ? std::string(buffer, end) : std::string("0");
    if (static_cast<int>(number.size()) < width) {
        const auto blanks = static_cast<std::size_t>(width) - number.size();
        number.insert(0, std::min(blanks, MaxFixedLength), ' ');
    }
    number.resize(std::min(number.size(), MaxFixedLength));
    if (decimalSeparator != '.')
        if (const auto point = number.find('.'); point != std::string::npos)
            number[point] = decimalSeparator;
    return number;
}

std::string Copy(std::string_view text, long long position, long long count)
{
    if (position < 1)
        position = 1;
    if (count <= 0 || position > static_cast<long long>(text.size()))
        return {};
    return std::string(text.substr(static_cast<std::size_t>(position - 1), static_cast<std::size_t>(count)));
}

long long Pos(std::string_view what, std::string_view text)
{
    if (what.empty())
        return 0; // the empty text is found nowhere
    const auto at = text.find(what);
    return at == std::string_view::npos ? 0 : static_cast<long long>(at) + 1;
}

} // namespace Support
