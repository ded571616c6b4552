// The survey part of a run: the area and keep-out files read, the lines planned, the summary.
#pragma once

#include <string>

#include "options.h"
#include "routeExport.h"
#include "surveyPlan.h"

namespace nurvo {

// Reads the files of `request` and plans the survey (NurvoError on any refusal). `drawn`, when
// given, receives the area and the keep-outs as read, for the exports to draw.
SurveyPlan planRequestedSurvey(const SurveyRequest& request,
                               std::vector<DrawnPolygon>* drawn = nullptr);

// The summary --verbose prints after the parameter listing.
std::string surveySummary(const SurveyPlan& plan);

}  // namespace nurvo
