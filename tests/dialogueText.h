// The operator's view of the interactive dialogue, written out by hand, for comparing transcripts.
#pragma once

#include <string>

#include "missionParams.h"
#include "textSink.h"

namespace nurvo::test {

// The mission menu with the values of `v`, up to the prompt for the selection.
inline std::string missionMenu(const MissionParams& v = {}) {
  return strprintf(
      "\n\n Mission Parameters \n\n"
      " 1  MISSION_SPEED %.3f\n"
      " 2  MISSION_SPEED_SLOW %.3f\n"
      " 3  GPS_HITS %d\n"
      " 4  Meters between surfacings %.1f\n"
      " 5  minDepth %.1f\n"
      " 6  maxDepth %.1f\n"
      " 7  abortDepth %.1f\n"
      " 8  abortAltitude %.1f\n"
      " 9  abortLockoutDepth %.1f\n"
      "10  abortOnTimeout %d\n\n"
      " 0   All parameters are OK\n"
      "  Choose number of parameter to modify.\n"
      "  If parameters are OK, type 0 \n\n > ",
      v.missionSpeed, v.missionSpeedSlow, v.gpsHits, v.maxLegMeters, v.minDepth, v.maxDepth,
      v.abortDepth, v.abortAltitude, v.abortLockoutDepth, v.abortOnTimeout);
}

// The yo-yo menu with the values of `v`, up to the prompt for the selection.
inline std::string yoyoMenu(const MissionParams& v = {}) {
  return strprintf(
      "\n\n YOYO Mission Parameters \n\n"
      "1  YOYO_MIN_ALTITUDE %d\n"
      "2  MISSION_YOYO_MIN_DEPTH %d\n"
      "3  MISSION_YOYO_MAX_DEPTH %d\n"
      "4  MISSION_YOYO_MAX_DEPTH_SHALLOW %d\n"
      "5  MISSION_DIVE_ANGLE %.1f\n"
      "0  All parameters are OK\n"
      "  Choose number of parameter to modify.\n"
      "  If parameters are OK, type 0 \n\n > ",
      v.yoyoMinAltitude, v.missionYoyoMinDepth, v.missionYoyoMaxDepth, v.missionYoyoMaxDepthShallow,
      v.diveAngle);
}

inline const std::string menuDone = "0\n";
inline const std::string tryAgain = "Error ... please try again\n";
inline const std::string yoyoQuestion = " Will this be a YOYO Mission ? \n Please enter Y or N > ";
inline const std::string sorbelQuestion =
    " Will this be a SORBEL Mission ? \n Please enter Y or N > ";
inline const std::string notAnAnswer = " Please enter y or n ";
inline const std::string samplerNotice =
    " \n\n The Sorbels will be armed at mission start \n"
    " Remember to move the behavior if necessary \n"
    " Hit any key to continue \n"
    "\n\n";
inline const std::string gpsPrompt30 =
    "Number of GPS hits per surfacing is 30 \nPlease enter new number of hits \n\n > ";
inline const std::string banner =
    "\n\nWelcome to Waypoints to ZUD_UZU mission utility.\n"
    "Waypoint lat/lon's must be in decimal degree format.\n"
    "eg: 36.8167 -121.8170\n";
inline const std::string fileQuestion = "What's the name of the waypoint file ? \n > ";
// The echo of the waypoint file `name` that holds `text` (as the terminal shows it).
inline std::string fileEcho(const std::string& name, const std::string& text) {
  return "\n\nWaypoint filename: \n " + name + " \n\n\nWaypoint List:\n\n" + text;
}
inline const std::string endOfInputMessage = "\nend of console input: no mission written\n";

}  // namespace nurvo::test
