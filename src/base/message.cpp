#include "message.h"

#include <cstdio>

namespace nurvo {

std::string vstrprintf(const char* fmt, std::va_list args) {
  char small[256];
  std::va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return {};
  if (static_cast<std::size_t>(n) < sizeof small)
    return std::string(small, static_cast<std::size_t>(n));
  std::string big(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(big.data(), big.size(), fmt, args);
  big.resize(static_cast<std::size_t>(n));
  return big;
}

std::string strprintf(const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  std::string s = vstrprintf(fmt, args);
  va_end(args);
  return s;
}

}  // namespace nurvo
