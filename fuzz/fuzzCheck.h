// What every fuzz target does when an invariant breaks: say which, and abort so that libFuzzer
// keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace nurvo::fuzz {

inline void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

}  // namespace nurvo::fuzz
