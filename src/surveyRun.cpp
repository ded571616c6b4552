#include "surveyRun.h"

#include <optional>

#include "areaFile.h"
#include "message.h"

namespace nurvo {

SurveyPlan planRequestedSurvey(const SurveyRequest& request, std::vector<DrawnPolygon>* drawn,
                               SurveyArea* prepared) {
  const GeoPolygon area = readPolygonFile(request.areaFile, "area");
  std::vector<GeoPolygon> keepOuts;
  for (const std::string& name : request.keepOutFiles) {
    for (GeoPolygon& k : readKeepOutFile(name)) keepOuts.push_back(std::move(k));
  }
  std::optional<GeoPolygon> operating;
  if (!request.operatingAreaFile.empty()) {
    operating = readPolygonFile(request.operatingAreaFile, "operating area");
  }
  SurveyArea ready =
      prepareSurveyArea(area, keepOuts, request.keepOutMargin, operating ? &*operating : nullptr);
  SurveyPlan plan = planSurvey(ready, request.settings, request.areaFile);
  if (prepared != nullptr) *prepared = std::move(ready);
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

SurveyFigures surveyFigures(const SurveyPlan& plan, const SurveyArea& area) {
  SurveyFigures f{plan.lines,
                  plan.tieLines,
                  plan.lineMeters,
                  plan.moveMeters,
                  plan.coveragePercent,
                  area.margin,
                  {}};
  if (area.margin <= 0.0) return f;
  for (const Polygon& poly : area.keepOuts) {
    auto& rings = f.margins.emplace_back();
    auto addRing = [&](const Polygon::ring_type& ring) {
      auto& geo = rings.emplace_back();
      for (const Pt& p : ring) geo.push_back(area.plane.inverse({p.x(), p.y()}));
    };
    addRing(poly.outer());
    for (const auto& hole : poly.inners()) addRing(hole);
  }
  return f;
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
  if (plan.runIns > 0) {
    s += strprintf("run-ins shortened.................%ld of %ld\n", plan.runInsShortened,
                   plan.runIns);
  }
  if (plan.leadIn) s += "lead-in...........................yes\n";
  return s;
}

}  // namespace nurvo
