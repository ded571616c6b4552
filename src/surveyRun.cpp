#include "surveyRun.h"

#include "areaFile.h"
#include "textSink.h"

namespace nurvo {

SurveyPlan planRequestedSurvey(const SurveyRequest& request, std::vector<DrawnPolygon>* drawn) {
  const GeoPolygon area = readPolygonFile(request.areaFile, "area");
  std::vector<GeoPolygon> keepOuts;
  for (const std::string& name : request.keepOutFiles) {
    for (GeoPolygon& k : readKeepOutFile(name)) keepOuts.push_back(std::move(k));
  }
  const SurveyArea prepared = prepareSurveyArea(area, keepOuts, request.keepOutMargin);
  SurveyPlan plan = planSurvey(prepared, request.settings, request.areaFile);
  if (drawn != nullptr) {
    drawn->push_back({PolygonRole::area, area.rings});
    for (const GeoPolygon& k : keepOuts) {
      // A point keep-out is drawn as the circle its margin keeps clear.
      drawn->push_back(
          {PolygonRole::keepOut, k.point ? std::vector<GeoRing>{circleRing(k.rings.front().front(),
                                                                           request.keepOutMargin)}
                                         : k.rings});
    }
  }
  return plan;
}

std::string surveySummary(const SurveyPlan& plan) {
  std::string s = "\n Survey:\n";
  s += strprintf("heading...........................%.1f\n", plan.heading);
  s += strprintf("lines.............................%ld\n", plan.lines);
  s += strprintf("tie lines.........................%ld\n", plan.tieLines);
  s += strprintf("line length, km...................%.3f\n", plan.lineMeters / 1000.0);
  s += strprintf("move length, km...................%.3f\n", plan.moveMeters / 1000.0);
  s += strprintf("turns.............................%ld\n", plan.turns);
  s += strprintf("coverage, percent.................%.1f\n", plan.coveragePercent);
  return s;
}

}  // namespace nurvo
