// The interactive dialogue: the mission menu, the yo-yo question and menu or the waypoint-depth
// prompt, and the sampler question. Every read goes through the console; the end of console input
// at any read ends the run (NurvoError).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "console.h"
#include "missionParams.h"

namespace nurvo {

// The console text of a run that ends because console input ended during the dialogue.
inline constexpr const char* endOfConsoleInput = "\nend of console input: no mission written\n";

// Every answer is one whole line typed on the console (see Console::readLine) with its blanks
// trimmed at both ends; nothing of a line is left for the next question. The end of console input
// at any read ends the run (NurvoError).

// The waypoint file's name: one answer, taken as it is, even when empty.
std::string readFileName(Console& con);

// Value prompts: each shows the parameter's current value, asks for a new one and returns it.
// Empty answers are read past without asking again. The answer must be a whole number within the
// range of int (the five yo-yo depths and altitude, the GPS hits, abortOnTimeout) or a finite
// decimal number (the others), as option values are; anything else returns the current value,
// without a message. The distance between surfacings and the two speeds must be greater than 0:
// a value of 0 or less is refused with a message, and the current one is returned.
int yoyoMinAlt(Console& con, const MissionParams& params);
int yoyoMinDepth(Console& con, const MissionParams& params);
int yoyoMaxDepth(Console& con, const MissionParams& params);
int yoyoMaxDepthShallow(Console& con, const MissionParams& params);
int gpsNum(Console& con, const MissionParams& params);
double get_diveAngle(Console& con, const MissionParams& params);
double get_maxLegMeters(Console& con, const MissionParams& params);
double get_wayPointDepth(Console& con, const MissionParams& params);
// A speed of 0 or less is refused with a message, and the current one is returned.
double Speed(Console& con, const MissionParams& params);
double SpeedSlow(Console& con, const MissionParams& params);
double get_minDepth(Console& con, const MissionParams& params);
double get_maxDepth(Console& con, const MissionParams& params);
double get_abortDepth(Console& con, const MissionParams& params);
double get_abortAltitude(Console& con, const MissionParams& params);
double get_abortLockoutDepth(Console& con, const MissionParams& params);
double get_abortOnTimeout(Console& con, const MissionParams& params);

// The route to read of a file that holds several: `listing` (the file's routes, numbered from 1)
// shown, then a number from 1 to `count` asked for until one is given; empty answers are read past,
// any other gets "Error ... please try again" and the question again.
std::size_t chooseRoute(Console& con, std::string_view listing, std::size_t count);

// The mission menu: shown again after every selection until 0 is chosen; returns that 0. Empty
// answers are read past; an answer that is no whole number, or the number of no item, gets
// "Error ... please try again" and the menu again.
int queryMissionParameters(Console& con, MissionParams& params);
// The yo-yo menu, the same way.
int queryYoYoParameters(Console& con, MissionParams& params);
// " Will this be a YOYO Mission ? ": 1 for yes, 0 for no. The first character of the answer
// decides (Y, y, N or n); any other answer, an empty one included, gets " Please enter y or n "
// and the question again.
int queryYoyo(Console& con);
// " Will this be a SORBEL Mission ? ": 1 for yes (after the sampler notice), 0 for no.
int querySorbel(Console& con);

// The whole dialogue in its order: the mission menu, the yo-yo question, the yo-yo menu or the
// waypoint-depth prompt, the sampler question.
void queryDialogue(Console& con, MissionParams& params);

}  // namespace nurvo
