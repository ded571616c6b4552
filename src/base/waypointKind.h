// What a waypoint of a route is: one word for the route, the survey planner, the exports that
// write it, the readers that read an export back and the mission check that counts it.
#pragma once

#include <optional>
#include <string_view>

namespace nurvo {

enum class WaypointKind {
  launch,      // waypoint 0, put behind the first
  survey,      // a waypoint of the waypoint file
  lineEnd,     // the start or end of a main survey line
  tieLineEnd,  // the start or end of a tie line
  move,        // a corner of a move between lines, around land or a keep-out, or of the lead-in
  inserted,    // made by cutting a leg longer than maxLegMeters
};

// The kind as the exports write it: a tie line's end is a line end there.
constexpr WaypointKind exportedKind(WaypointKind kind) {
  return kind == WaypointKind::tieLineEnd ? WaypointKind::lineEnd : kind;
}

// The word the exports write for the kind: "launch", "survey", "line end", "move", "inserted".
const char* kindName(WaypointKind kind);

// The kind an export's word names (a line end for "line end"); none for any other word.
std::optional<WaypointKind> kindNamed(std::string_view name);

}  // namespace nurvo
