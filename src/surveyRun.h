// The survey part of a run: the area and keep-out files read, the lines planned, the summary.
#pragma once

#include <string>

#include "options.h"
#include "routeExport.h"
#include "surveyPlan.h"

namespace nurvo {

// Reads the files of `request` and plans the survey (NurvoError on any refusal). `drawn`, when
// given, receives the area and the keep-outs as read, for the exports to draw; `prepared`, the
// area on the plane with its water, for the mission check.
SurveyPlan planRequestedSurvey(const SurveyRequest& request,
                               std::vector<DrawnPolygon>* drawn = nullptr,
                               SurveyArea* prepared = nullptr);

// The figures of `plan` and the margins of `area`, for the picture.
SurveyFigures surveyFigures(const SurveyPlan& plan, const SurveyArea& area);

// The summary --verbose prints after the parameter listing.
std::string surveySummary(const SurveyPlan& plan);

}  // namespace nurvo
