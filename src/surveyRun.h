// The survey part of a run: the area and keep-out files read, the lines planned, the summary.
#pragma once

#include <string>

#include "options.h"
#include "surveyPlan.h"

namespace nurvo {

// Reads the files of `request` and plans the survey (NurvoError on any refusal).
SurveyPlan planRequestedSurvey(const SurveyRequest& request);

// The summary --verbose prints after the parameter listing.
std::string surveySummary(const SurveyPlan& plan);

}  // namespace nurvo
