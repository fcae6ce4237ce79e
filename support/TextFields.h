#pragma once
// Cutting texts into fields and converting numbers. Texts are single-byte strings;
// the program's positions count from 1 (see Copy and Pos).

#include <string>
#include <string_view>

namespace Support {

// Splitting at one separator character. Each gives the empty text when the separator is absent.
std::string TextBefore(char separator, std::string_view text);
std::string TextAfter(char separator, std::string_view text);
std::string TextAfterLast(char separator, std::string_view text); // at most 255 characters
std::string TextBeforeLast(char separator, std::string_view text);

std::string RemoveBlanks(std::string_view text);
// The text without the blanks and tabs at its ends.
std::string_view TrimBlanks(std::string_view text);
std::string PointToComma(std::string_view text);
std::string StripDigits(std::string_view text);     // of the first 79 characters
std::string KeepNumberChars(std::string_view text); // digits, ',' and '.' of the first 79 characters

// Reads a number written with a point or a comma as decimal separator; never fails (0.0).
double TextToFloat(std::string_view text);
// Fixed-point text, right-aligned in `width`, at most 12 characters, with the given decimal separator.
std::string FloatToFixed(double value, int width, int decimals, char decimalSeparator);
// The same with the user's decimal separator (regional settings; defined with them).
std::string FloatToFixed(double value, int width, int decimals);

// Positions counting from 1, as the program's texts are described.
// Copy: at most `count` characters from `position`; a position below 1 counts as 1.
std::string Copy(std::string_view text, long long position, long long count);
// Pos: position of the first occurrence of `what`, 0 when absent or empty.
long long Pos(std::string_view what, std::string_view text);

} // namespace Support
