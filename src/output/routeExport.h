// The prepared route for chart plotters, globe viewers and GIS: GPX 1.1, KML 2.2 and GeoJSON, and
// the descriptions they share with the SVG picture. Each file's text is rendered from the route,
// its totals, the parameters that shaped it and the run's stamp; nothing here touches a file.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "geoPoint.h"
#include "missionParams.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// "area" or "keep-out"
const char* roleName(PolygonRole role);

// What the picture of a planned survey shows besides the route: the plan's figures, and the
// keep-outs grown by their margin, the water kept clear, merged where they meet.
struct SurveyFigures {
  long lines = 0;  // main lines
  long tieLines = 0;
  double lineMeters = 0.0;
  double moveMeters = 0.0;
  double coveragePercent = 0.0;
  double margin = 0.0;                                      // metres
  std::vector<std::vector<std::vector<GeoPoint>>> margins;  // polygons, their rings
};

// What every export renders: a prepared route (launch waypoint first, at least one more) and, for
// a survey, the polygons it was planned in (the area first) and its figures.
struct ExportInput {
  const wptList& route;
  const RouteTotals& totals;
  const MissionParams& params;
  std::string stamp;  // the run's base name without its final period, for example 2026_340_1529
  std::span<const DrawnPolygon> polygons = {};
  const SurveyFigures* survey = nullptr;
};

// A ring without the repeat of its first point at its end, if it has one.
std::span<const GeoPoint> openRing(std::span<const GeoPoint> ring);

void renderGpx(TextSink& out, const ExportInput& in);
void renderKml(TextSink& out, const ExportInput& in);
void renderGeoJson(TextSink& out, const ExportInput& in);

// Text for XML character data and attribute values: & < > " ' escaped.
std::string xmlEscape(std::string_view text);

// How many waypoints of each kind the route holds.
struct KindCounts {
  std::size_t launch = 0, survey = 0, lineEnd = 0, move = 0, inserted = 0;
  std::size_t all() const { return launch + survey + lineEnd + move + inserted; }
  // A route planned over an area: its points are line ends and moves, not waypoints of a file.
  bool planned() const { return lineEnd + move > 0; }
};
KindCounts countKinds(const wptList& route);

// "total length 11184.5 m, mission time 11334.5 s (3 h 8 min)"
std::string totalsText(const RouteTotals& totals);
// The parameters that shape the route: where legs are cut and the depth the vehicle keeps.
std::string shapeText(const MissionParams& p);
// "7 waypoints: launch 0, 3 survey, 3 inserted", or for a planned survey
// "9 waypoints: launch 0, 6 line end, 2 move, 0 inserted"
std::string countsText(const KindCounts& c);

}  // namespace nurvo
