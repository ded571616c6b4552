// The one error type of nurvo: a failure that ends the run with status 1.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace nurvo {

// Where a refusal points: the file, and the line and column in it from 1; empty or 0 where it is
// not known.
struct ErrorPlace {
  std::string file;
  std::size_t line = 0;
  std::size_t column = 0;
};

// Carries the exact console text to print (with or without a final line end) before the run ends
// with status 1, and, where known, the place it points at and the message alone (without the
// usage text that the console text adds to some). Thrown wherever a failure is found, caught once
// by run().
class NurvoError : public std::runtime_error {
 public:
  explicit NurvoError(const std::string& consoleText, ErrorPlace where = {},
                      std::string message = {})
      : std::runtime_error(consoleText), place_(std::move(where)), message_(std::move(message)) {}

  const ErrorPlace& place() const { return place_; }
  // The refusal in words: the console text unless a shorter message was given.
  std::string_view message() const {
    return message_.empty() ? std::string_view(what()) : std::string_view(message_);
  }

 private:
  ErrorPlace place_;
  std::string message_;
};

}  // namespace nurvo
