// The grammar of numbers typed by the operator, shared by the options, the waypoint file and the
// dialogue: decimal numbers only, never "nan", "inf" or hexadecimal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nurvo {

// A blank separates words: space, tab, carriage return, vertical tab or form feed (never a line
// feed, which ends a line).
bool isBlank(char c);
bool isDigit(char c);
std::string_view trimBlanks(std::string_view s);

// Length of the decimal number at the start of `s` (sign, digits, optional fraction, optional
// exponent), or 0 when `s` does not start with one.
std::size_t decimalNumberLength(std::string_view s);

// Converts a decimal number already checked by decimalNumberLength; may be infinite on overflow.
double toDouble(std::string_view number);

// Strict conversion of a whole value: the text, blanks around it allowed, must be a whole decimal
// number within the range of int, or a finite decimal number.
std::optional<int> parseIntValue(std::string_view text);
// Whether the text, blanks around it allowed, is a whole decimal number, of any size.
bool isWholeNumber(std::string_view text);
std::optional<double> parseDoubleValue(std::string_view text);

// A number, or the text found where one was expected, as a message quotes it: a runaway number of
// a broken file (a megabyte of digits) is cut short, so that the message stays readable, and
// control characters are shown as '?' (see shortened()).
std::string quoted(std::string_view number);

// `v` with `decimals` decimals (0 to 9), rounded, a period as the decimal mark on every system.
std::string fixedText(double v, int decimals);

}  // namespace nurvo
