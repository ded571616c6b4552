// The prepared route for chart plotters, globe viewers, GIS and the browser: GPX 1.1, KML 2.2,
// GeoJSON and an SVG picture. Each file's text is rendered from the route, its totals, the
// parameters that shaped it and the run's stamp; nothing here touches a file.
#pragma once

#include <set>
#include <span>
#include <string>
#include <string_view>

#include "missionParams.h"
#include "textSink.h"
#include "wptList.h"

namespace nurvo {

// The formats, in the order a run writes them.
enum class ExportFormat { gpx, kml, geojson, svg };

struct ExportFormatName {
  ExportFormat format;
  const char* name;  // as --export takes it, and the file's extension
};
std::span<const ExportFormatName> exportFormats();
// The names --export takes, for messages: "gpx, kml, geojson, svg, all".
std::string exportFormatNames();

// Adds the formats of a --export list (names separated by commas, "all" for every format, blanks
// around a name allowed) to `chosen`. On a name that is none of these, or an empty one, returns
// false with the name in `badName`; `chosen` may then hold the names before it.
bool addExportFormats(std::string_view list, std::set<ExportFormat>& chosen, std::string& badName);

// What a waypoint of the prepared route is: the launch waypoint 0, a waypoint of the file, or a
// point inserted by cutting a leg.
enum class WaypointKind { launch, survey, inserted };
WaypointKind kindOf(const node& n);
const char* kindName(WaypointKind kind);

// What every export renders: a prepared route (launch waypoint first, at least one more).
struct ExportInput {
  const wptList& route;
  const RouteTotals& totals;
  const MissionParams& params;
  std::string stamp;  // the run's base name without its final period, for example 2026_340_1529
};

void renderGpx(TextSink& out, const ExportInput& in);
void renderKml(TextSink& out, const ExportInput& in);
void renderGeoJson(TextSink& out, const ExportInput& in);
// The SVG stays under svgSizeLimit bytes however long the route: beyond a few thousand waypoints
// the line is simplified and the markers thinned, and the caption says so.
void renderSvg(TextSink& out, const ExportInput& in);
constexpr std::size_t svgSizeLimit = 2'000'000;

void renderExport(ExportFormat format, TextSink& out, const ExportInput& in);

// Text for XML character data and attribute values: & < > " ' escaped.
std::string xmlEscape(std::string_view text);

}  // namespace nurvo
