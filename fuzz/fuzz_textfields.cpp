// The text helpers that take every outside text apart: the splitters, the character filters,
// TextToFloat and FloatToFixed, Copy and Pos.
// Input: a separator byte, a decimals byte, a width byte, eight bytes of a double, then the text.

#include "FuzzSupport.h"

#include "support/TextFields.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Support;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void CheckSplitters(char separator, std::string_view text)
{
    const auto first = text.find(separator);
    const auto last = text.rfind(separator);
    const std::string before = TextBefore(separator, text);
    const std::string after = TextAfter(separator, text);
    const std::string afterLast = TextAfterLast(separator, text);
    const std::string beforeLast = TextBeforeLast(separator, text);
    if (first == std::string_view::npos) {
        Fuzz::Check(before.empty() && after.empty() && afterLast.empty() && beforeLast.empty(),
                    "without the separator every splitter gives the empty text", text);
        return;
    }
    Fuzz::Check(before + separator + after == text, "TextBefore, the separator and TextAfter make the text",
                text);
    Fuzz::Check(before.find(separator) == std::string::npos, "TextBefore holds no separator", text);
    Fuzz::Check(afterLast.size() <= 255 && afterLast == text.substr(last + 1, 255),
                "TextAfterLast is what follows the last separator", text);
    if (text.back() == separator)
        Fuzz::Check(beforeLast == text.substr(0, text.size() - 1), "TextBeforeLast drops a final separator",
                    text);
    else
        Fuzz::Check(beforeLast == text.substr(0, last), "TextBeforeLast is what precedes the last separator",
                    text);
}

void CheckFilters(std::string_view text)
{
    const std::string noBlanks = RemoveBlanks(text);
    Fuzz::Check(noBlanks.find(' ') == std::string::npos &&
                    noBlanks.size() ==
                        text.size() - static_cast<std::size_t>(std::count(text.begin(), text.end(), ' ')),
                "RemoveBlanks drops the blanks and nothing else", text);
    const std::string comma = PointToComma(text);
    Fuzz::Check(comma.size() == text.size(), "PointToComma keeps the length", text);
    const auto point = text.find('.');
    if (point != std::string_view::npos)
        Fuzz::Check(comma[point] == ',' && comma.substr(point + 1) == text.substr(point + 1) &&
                        comma.substr(0, point) == text.substr(0, point),
                    "PointToComma replaces the first point only", text);
    const std::string stripped = StripDigits(text);
    Fuzz::Check(stripped.size() <= 79 && std::none_of(stripped.begin(), stripped.end(), IsDigit),
                "StripDigits gives a short text without digits", text);
    const std::string number = KeepNumberChars(text);
    Fuzz::Check(number.size() <= 79 && std::all_of(number.begin(), number.end(),
                                                   [](char c) { return IsDigit(c) || c == ',' || c == '.'; }),
                "KeepNumberChars gives a short text of digits, commas and points", text);
}

void CheckNumbers(std::string_view text, double value, int width, int decimals, char separator)
{
    const double read = TextToFloat(text);
    Fuzz::Check(std::isfinite(read), "TextToFloat gives a finite number", text);
    for (const double v : {read, value}) {
        const std::string fixed = FloatToFixed(v, width, decimals, separator);
        Fuzz::Check(fixed.size() <= 12, "FloatToFixed gives at most 12 characters", fixed);
    }
    // A value in the range of index values comes back from its text with four decimals.
    if (std::fabs(read) < 1.0e6) {
        const std::string fixed = FloatToFixed(read, 2, 4, separator);
        Fuzz::Check(std::fabs(TextToFloat(fixed) - read) <= 0.00005 + 1.0e-9 * std::fabs(read),
                    "TextToFloat reads what FloatToFixed wrote", fixed);
    }
}

void CheckCopyAndPos(std::string_view text, int position, int count)
{
    const std::string copy = Copy(text, position, count);
    Fuzz::Check(copy.size() <= static_cast<std::size_t>(std::max(0, count)), "Copy takes at most the count",
                text);
    if (!copy.empty())
        Fuzz::Check(text.substr(static_cast<std::size_t>(std::max(1, position) - 1), copy.size()) == copy,
                    "Copy takes from the position", text);
    // Looks for the text's own beginning in the rest of it.
    const std::string_view what = text.substr(0, static_cast<std::size_t>(count) % 4);
    const std::string_view rest = text.empty() ? text : text.substr(1);
    const long long at = Pos(what, rest);
    if (at > 0)
        Fuzz::Check(rest.substr(static_cast<std::size_t>(at - 1), what.size()) == what,
                    "Pos finds the text where it says", text);
    else
        Fuzz::Check(what.empty() || rest.find(what) == std::string_view::npos,
                    "Pos finds the text when it is there", text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    const auto separator = static_cast<char>(input.Byte());
    const int decimals = input.Byte();
    const int width = input.Byte();
    std::uint8_t bytes[sizeof(double)] = {};
    for (std::uint8_t& byte : bytes)
        byte = input.Byte();
    double value;
    std::memcpy(&value, bytes, sizeof value);
    const std::string_view text = input.Rest();

    CheckSplitters(separator, text);
    CheckFilters(text);
    CheckNumbers(text, value, width, decimals, (decimals & 1) ? ',' : '.');
    CheckCopyAndPos(text, width - 8, decimals);
    return 0;
}
