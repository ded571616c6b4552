#include "numberText.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "textEncoding.h"

namespace nurvo {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::size_t decimalNumberLength(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && isDigit(s[j])) {
      while (j < s.size() && isDigit(s[j])) ++j;
      i = j;
    }
  }
  return i;
}

double toDouble(std::string_view number) {
  const std::string text(number);
  return std::strtod(text.c_str(), nullptr);
}

bool isWholeNumber(std::string_view text) {
  const std::string_view s = trimBlanks(text);
  const std::size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  if (i == s.size()) return false;
  for (std::size_t j = i; j < s.size(); ++j) {
    if (!isDigit(s[j])) return false;
  }
  return true;
}

std::optional<int> parseIntValue(std::string_view text) {
  if (!isWholeNumber(text)) return std::nullopt;
  const std::string digits(trimBlanks(text));
  errno = 0;
  const long long v = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<double> parseDoubleValue(std::string_view text) {
  const std::string_view s = trimBlanks(text);
  const std::size_t n = decimalNumberLength(s);
  if (n == 0 || n != s.size()) return std::nullopt;
  const double v = toDouble(s);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string quoted(std::string_view number) {
  return shortened(number, 32);
}

std::string fixedText(double v, int decimals) {
  // Room for the 309 digits of the largest double, its sign, point and decimals.
  std::array<char, 330> buf{};
  const auto r =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
  return std::string(buf.data(), r.ptr);
}

}  // namespace nurvo
