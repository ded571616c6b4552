// The run of the utility: options, waypoint file, route preparation, the four output files.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "console.h"
#include "fileWriter.h"
#include "missionParams.h"
#include "wptList.h"

namespace nurvo {

// The UTC time that names a run's files; read once per run.
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

// The usage text, and the listing of the parameters as set.
std::string help();
std::string show_params(const MissionParams& params);

// Strict conversion of an option's value: the whole text, blanks around it allowed, must be a
// whole decimal number within the range of int, or a finite decimal number.
std::optional<int> parseIntValue(std::string_view text);
std::optional<double> parseDoubleValue(std::string_view text);

// One line of a waypoint file: blank (adds nothing), a waypoint, or bad with the reason.
struct WaypointLine {
  enum Kind { blank, waypoint, bad } kind = blank;
  double lat = 0.0;     // decimal degrees, -90 to 90
  double lon = 0.0;     // decimal degrees, -180 to 180
  std::string problem;  // what is wrong with a bad line
};
WaypointLine parseWaypointLine(std::string_view line);

// Reads a waypoint file into the list, one waypoint per line that is not blank. A bad line, a
// read error or too many waypoints end the run (NurvoError); `name` is the file's name for the
// messages.
void readWaypoints(std::FILE* file, const std::string& name, wptList& list);

// The whole run; returns the exit status (0, or 1 on any failure).
int run(int argc, char** argv, Console& console, const Clock& clock, FileOps& fileOps);

}  // namespace nurvo
