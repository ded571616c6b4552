// Fuzzes the waypoint-file reader: any bytes as a waypoint file. Besides the sanitizers' checks,
// the reading must agree with textStart on the file's start and, line by line, with
// parseWaypointLine, and every waypoint kept must be in range.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "fuzzCheck.h"
#include "nurvo.h"
#include "nurvoError.h"
#include "textEncoding.h"

namespace {

using nurvo::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);

  // What each line gives on its own: the waypoints up to the first bad line.
  std::vector<nurvo::WaypointLine> expected;
  const nurvo::TextStart start = nurvo::textStart(text);
  bool expectBad = start.refusal != nullptr;
  std::string_view rest =
      expectBad ? std::string_view() : std::string_view(text).substr(start.skip);
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    const std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    nurvo::WaypointLine w = nurvo::parseWaypointLine(line);
    if (w.kind == nurvo::WaypointLine::bad) {
      check(!w.problem.empty(), "a bad line comes with a reason");
      expectBad = true;
      break;
    }
    if (w.kind == nurvo::WaypointLine::waypoint) {
      check(std::isfinite(w.lat) && w.lat >= -90.0 && w.lat <= 90.0, "latitude in range");
      check(std::isfinite(w.lon) && w.lon >= -180.0 && w.lon <= 180.0, "longitude in range");
      expected.push_back(w);
    }
  }

  std::FILE* f = fmemopen(text.empty() ? nullptr : text.data(), text.size(), "r");
  if (f == nullptr) return 0;
  nurvo::wptList list;
  bool threw = false;
  try {
    check(nurvo::readWaypoints(f, "route.txt", list), "a file in memory reads without error");
  } catch (const nurvo::NurvoError& e) {
    threw = true;
    check(std::string_view(e.what()).find("route.txt") != std::string_view::npos,
          "the message names the file");
  }
  std::fclose(f);

  check(threw == expectBad, "the file is refused exactly when one of its lines is bad");
  if (!threw) {
    std::size_t i = 0;
    for (const nurvo::node* n = list.head(); n != nullptr; n = n->nextPtr, ++i) {
      check(i < expected.size(), "no more waypoints than waypoint lines");
      check(n->Lat == expected[i].lat && n->Lon == expected[i].lon, "the waypoints of the lines");
    }
    check(i == expected.size(), "one waypoint per waypoint line");
  }
  return 0;
}
