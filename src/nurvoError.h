// The one error type of nurvo: a failure that ends the run with status 1.
#pragma once

#include <stdexcept>
#include <string>

namespace nurvo {

// Carries the exact console text to print (with or without a final line end) before the run ends
// with status 1. Thrown wherever a failure is found, caught once by run().
class NurvoError : public std::runtime_error {
 public:
  explicit NurvoError(const std::string& consoleText) : std::runtime_error(consoleText) {}
};

}  // namespace nurvo
