// The waypoint file: one "latitude longitude" in decimal degrees per line, read into the route.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "wptList.h"

namespace nurvo {

// One line of a waypoint file: blank (adds nothing), a waypoint, or bad with the reason.
struct WaypointLine {
  enum Kind { blank, waypoint, bad } kind = blank;
  double lat = 0.0;     // decimal degrees, -90 to 90
  double lon = 0.0;     // decimal degrees, -180 to 180
  std::string problem;  // what is wrong with a bad line
};
WaypointLine parseWaypointLine(std::string_view line);

// The longest line a waypoint file may hold, in bytes before its line feed. A real line is under
// a hundred; the bound keeps a file of endless text or zeros from filling the memory.
constexpr std::size_t maxWaypointLineBytes = 4096;

// A file opened by the run, closed when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a waypoint file for reading; null when it cannot be opened or is a directory.
FilePtr openWaypointFile(const std::string& name);

// Reads a waypoint file into the list, one waypoint per line that is not blank, and with `copy`
// appends every byte read to it as well. A UTF-8 byte order mark at the start is skipped. False on
// a read error, which the caller reports in the words of its mode. UTF-16 text, a bad line (one
// with a NUL byte or longer than maxWaypointLineBytes refused as soon as that is seen) or too many
// waypoints end the run (NurvoError); `name` is the file's name for the messages.
[[nodiscard]] bool readWaypoints(std::FILE* file, const std::string& name, wptList& list,
                                 std::string* copy = nullptr);

}  // namespace nurvo
