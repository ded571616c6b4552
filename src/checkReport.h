// The mission check as the operator reads it: a text report, one JSON document, and the line of
// one finding as a normal run prints it on standard error.
#pragma once

#include <string>

#include "missionCheck.h"

namespace nurvo {

// "error: depth-envelope: minDepth ...", with its line end; a message names its waypoint itself.
std::string findingLine(const Finding& f);

// The statistics, one per line, then the findings, one per line.
std::string checkReportText(const MissionCheck& check);

// {"statistics": {...}, "findings": [{"rule", "severity", "waypoint" (a number or null),
// "message"}]}, with a final line end. Lengths and times carry one decimal, as the files do.
std::string checkReportJson(const MissionCheck& check);

}  // namespace nurvo
