// The run of the utility: options, waypoint file, route preparation, the four output files.
#pragma once

#include "clock.h"
#include "console.h"
#include "fileWriter.h"
#include "missionParams.h"
#include "numberText.h"
#include "options.h"
#include "routeImport.h"
#include "waypointFile.h"
#include "wptList.h"

namespace nurvo {

// The interactive start-up: the banner; the waypoint file's name asked for until a file is read
// whole into `route` (a name that cannot be opened, a directory, a bad line or a file without
// waypoints gets its message and the question again); the echo of the file, control characters
// shown as '?'; then the dialogue that sets `params`. The end of console input ends the run
// (NurvoError). The file is read in the format `import` or its name asks for.
void interactiveStartup(Console& con, MissionParams& params, wptList& route,
                        const ImportSettings& import = {});

// The whole run; returns the exit status (0, or 1 on any failure).
int run(int argc, char** argv, Console& console, const Clock& clock, FileOps& fileOps);

}  // namespace nurvo
