// The mission check as the operator reads it: a text report, one JSON document, and the lines of
// the findings as a normal run prints them on standard error; and a refusal as JSON.
#pragma once

#include <string>
#include <string_view>

#include "missionCheck.h"
#include "nurvoError.h"

namespace nurvo {

// "error: depth-envelope: minDepth ...", with its line end; a message names its waypoint itself.
std::string findingLine(const Finding& f);

// The findings listed, one line each, and after a rule's list a line that counts the findings of
// the rule left out of it ("... and 1313 more duplicate-waypoint finding(s), not listed").
std::string findingLines(const MissionCheck& check);

// The statistics, one per line, the number of errors and warnings found in all, then the
// findingLines.
std::string checkReportText(const MissionCheck& check);

// {"statistics": {...}, "counts": {"errors", "warnings", "omitted", "rules": {"<rule id>":
// {"errors", "warnings", "omitted"}}}, "findings": [{"rule", "severity", "waypoint" (a number or
// null), "message"}]}, with a final line end. The counts are of all findings, the list holds at
// most maxFindingsPerRule of a rule. Lengths and times carry one decimal, as the files do.
std::string checkReportJson(const MissionCheck& check);

// A refusal as --check=json prints it: {"error": {"message", "file", "line", "column"}}, the
// message without the line ends around it, the place's fields null where they are not known.
std::string refusalJson(std::string_view message, const ErrorPlace& place);

}  // namespace nurvo
