// The clock that names a run's files: read once per run, as UTC.
#pragma once

#include <ctime>
#include <optional>

namespace nurvo {

class Clock {
 public:
  virtual ~Clock() = default;
  // The current time broken down as UTC, or nothing when the clock cannot be read.
  virtual std::optional<std::tm> utcNow() const;
};

// A clock that always tells the same time, for tests and fuzzing.
class FixedClock : public Clock {
 public:
  explicit FixedClock(const std::tm& utc) : utc_(utc) {}
  std::optional<std::tm> utcNow() const override { return utc_; }

 private:
  std::tm utc_;
};

}  // namespace nurvo
