// The interactive dialogue: the mission menu, the yo-yo question and menu or the waypoint-depth
// prompt, and the sampler question. Every read goes through the console; the end of console input
// at any read ends the run (NurvoError).
#pragma once

#include <string>

#include "console.h"
#include "missionParams.h"

namespace nurvo {

// Reads the waypoint file's name as one whole line; a trailing carriage return is removed.
std::string readFileName(Console& con);

// The mission menu; returns the final selection, 0.
int queryMissionParameters(Console& con, MissionParams& params);
// The yo-yo menu; returns the final selection, 0.
int queryYoYoParameters(Console& con, MissionParams& params);
// " Will this be a YOYO Mission ? ": 1 for yes, 0 for no.
int queryYoyo(Console& con);
// " Will this be a SORBEL Mission ? ": 1 for yes (after the sampler notice), 0 for no.
int querySorbel(Console& con);
// The waypoint-depth prompt; returns the new depth (the old one when the entry is no number).
double get_wayPointDepth(Console& con, MissionParams& params);

}  // namespace nurvo
