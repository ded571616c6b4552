// What every fuzz target of a route-file reader checks: the bytes pass the checks every route file
// passes, then the reader either gives routes of points in range, none empty, or refuses with a
// reason and a line that lies in the file.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzzCheck.h"
#include "importText.h"

namespace nurvo::fuzz {

template <class Reader>
void fuzzRouteReader(const std::uint8_t* data, std::size_t size, Reader read) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string_view text;
  try {
    text = routeFileText(bytes);
  } catch (const ImportError&) {
    return;
  }
  try {
    for (const RouteCandidate& route : read(text)) {
      check(!route.points.empty(), "a route without points counts as none");
      for (const GeoPoint& p : route.points) {
        check(std::isfinite(p.lat) && p.lat >= -90.0 && p.lat <= 90.0, "latitude in range");
        check(std::isfinite(p.lon) && p.lon >= -180.0 && p.lon <= 180.0, "longitude in range");
      }
    }
  } catch (const ImportError& e) {
    check(*e.what() != '\0', "a refusal says why");
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    check(e.pos.line <= lines, "the refusal's line lies in the file");
    check(e.pos.line != 0 || e.pos.column == 0, "no column without a line");
  }
}

}  // namespace nurvo::fuzz
