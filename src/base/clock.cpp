#include "clock.h"

#include "platform.h"

namespace nurvo {

std::optional<std::tm> Clock::utcNow() const {
  const std::time_t now = std::time(nullptr);
  if (now == static_cast<std::time_t>(-1)) return std::nullopt;
  return utcTime(now);
}

}  // namespace nurvo
