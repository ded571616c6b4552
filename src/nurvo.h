// The run of the utility: options, waypoint file, route preparation, the four output files.
#pragma once

#include "clock.h"
#include "console.h"
#include "fileWriter.h"
#include "missionParams.h"
#include "numberText.h"
#include "options.h"
#include "waypointFile.h"
#include "wptList.h"

namespace nurvo {

// The interactive start-up: the banner, the typed file name, the echo of the file, the dialogue
// that sets `params`, and the file read into `route`.
void interactiveStartup(Console& con, MissionParams& params, wptList& route);

// The whole run; returns the exit status (0, or 1 on any failure).
int run(int argc, char** argv, Console& console, const Clock& clock, FileOps& fileOps);

}  // namespace nurvo
