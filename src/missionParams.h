// Mission parameters and the route totals derived from them.
#pragma once

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

// Totals of the prepared route, launch leg included.
struct RouteTotals {
  double surveyLineMeters = 0.0;  // metres
  double missionTime = 0.0;       // seconds
};

}  // namespace nurvo
