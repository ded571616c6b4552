// The interactive dialogue: the mission menu, the yo-yo question and menu or the waypoint-depth
// prompt, and the sampler question. Every read goes through the console; the end of console input
// at any read ends the run (NurvoError).
#pragma once

#include <optional>
#include <string>

#include "console.h"
#include "missionParams.h"

namespace nurvo {

// The console text of a run that ends because console input ended during the dialogue.
inline constexpr const char* endOfConsoleInput = "\nend of console input: no mission written\n";

// Reads the waypoint file's name as one whole line; a trailing carriage return is removed.
std::string readFileName(Console& con);

// The operator's entries. Each read is one conversion followed by one discarded character, which
// is normally the line end of the entry, so that several entries may be typed ahead on one line:
// - readInt and readDouble skip white space, line ends included, then take the longest number
//   that starts there (a decimal number with optional sign; readDouble also takes a fraction and an
//   exponent, but neither "nan", "inf" nor hexadecimal), then discard the character after it.
//   When there is no such number, or it does not fit (int range; a finite double), they return
//   nothing and discard the rest of the line, line end included.
// - readChar takes the very next character, white space included, then discards one more.
// The end of console input before a conversion is complete ends the run (NurvoError); at the
// discarded character it is left for the next read to find.
std::optional<int> readInt(Console& con);
std::optional<double> readDouble(Console& con);
char readChar(Console& con);

// Value prompts: each shows the parameter's current value, asks for a new one and returns it. An
// entry that is no number (see readInt, readDouble) returns the current value.
int yoyoMinAlt(Console& con, const MissionParams& params);
int yoyoMinDepth(Console& con, const MissionParams& params);
int yoyoMaxDepth(Console& con, const MissionParams& params);
int yoyoMaxDepthShallow(Console& con, const MissionParams& params);
int gpsNum(Console& con, const MissionParams& params);
double get_diveAngle(Console& con, const MissionParams& params);
// A distance of 0 or less is refused with a message, and the current one is returned.
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

// The mission menu: shown again after every selection until 0 is chosen; returns that 0.
int queryMissionParameters(Console& con, MissionParams& params);
// The yo-yo menu, the same way.
int queryYoYoParameters(Console& con, MissionParams& params);
// " Will this be a YOYO Mission ? ": 1 for yes, 0 for no.
int queryYoyo(Console& con);
// " Will this be a SORBEL Mission ? ": 1 for yes (after the sampler notice), 0 for no.
int querySorbel(Console& con);

}  // namespace nurvo
