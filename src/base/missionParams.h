// Mission parameters and the route totals derived from them.
#pragma once

#include <span>

namespace nurvo {

// Every setting of a mission, with the defaults that the help text advertises. A run starts from
// these values; options and the interactive menus overwrite them, and nothing changes them once the
// waypoint file has been read. Flags count as true only when they equal 1.
struct MissionParams {
  int gpsHits = 30;                     // GPS hits per surfacing
  int sorbelMission = 1;                // flag: arm the twenty samplers at mission start
  int abortOnTimeout = 1;               // flag: GPS fixes abort on timeout
  int yoyoMission = 1;                  // flag: yo-yo legs instead of fixed-depth legs
  int yoyoMinAltitude = 15;             // metres
  int missionYoyoMinDepth = 10;         // metres
  int missionYoyoMaxDepth = 90;         // metres
  int missionYoyoMaxDepthShallow = 20;  // metres; shown only, no file carries it
  double missionSpeed = 1.5;            // metres per second
  double missionSpeedSlow = 1.25;       // metres per second
  double maxLegMeters = 3600.0;         // metres between surfacings; always > 0
  double minDepth = 10.0;               // metres
  double maxDepth = 90.0;               // metres
  double abortDepth = 100.0;            // metres
  double abortAltitude = 2.5;           // metres
  double abortLockoutDepth = 8.0;       // metres
  double diveAngle = 30.0;              // degrees; shown only, no file carries it
  double wayPointDepth = 50.0;          // metres, depth of fixed-depth legs

  // Distance in metres from the launch waypoint to the first survey waypoint.
  static constexpr int LAUNCH_OFFSET = 500;
};

// How a parameter's value is written as an option's value and typed at a prompt.
enum class ParamKind {
  wholeNumber,    // an int
  flag,           // an int that counts as true only when it equals 1
  decimalNumber,  // a finite double
};

// What a parameter's value must satisfy beyond its kind.
enum class ParamConstraint {
  none,
  greaterThanZero,
};

// One mission parameter: its long option (also its name in the listing), its short option if it
// has one, its member, its kind, the printf format of its value in the listing, and its
// constraint. Exactly one of the two members is set: `intMember` for whole numbers and flags,
// `doubleMember` for decimal numbers.
struct ParamRow {
  const char* name;
  char shortOption;  // 0 when it has none
  ParamKind kind;
  int MissionParams::*intMember;
  double MissionParams::*doubleMember;
  const char* listingFormat;
  ParamConstraint constraint;
  const char* refusal;  // why a value breaking the constraint is refused; null without one
};

// Every mission parameter, in the order of the help text and of the parameter listing. Adding a
// parameter is one row here, plus its line in the help text and, where it has one, its menu item.
std::span<const ParamRow> paramTable();

// The row of a parameter, found by its member; every member has one.
const ParamRow& paramRow(int MissionParams::*member);
const ParamRow& paramRow(double MissionParams::*member);

// Whether `value` satisfies the constraint of `row`.
bool meetsConstraint(const ParamRow& row, double value);

// Totals of the prepared route, launch leg included.
struct RouteTotals {
  double surveyLineMeters = 0.0;  // metres
  double missionTime = 0.0;       // seconds
};

// Whole hours and left-over whole minutes of a duration in seconds, both truncated, computed in
// 64-bit integers so that no mission length overflows.
long long wholeHours(double seconds);
long long leftoverMinutes(double seconds);
// The mission timer's factor over the planned mission time: a 20 % allowance.
constexpr double missionTimerFactor = 1.2;
// The mission timer: 120 % of the mission time, truncated to whole seconds.
long long missionTimerSecs(double missionTime);

}  // namespace nurvo
