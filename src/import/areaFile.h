// Polygon files: the survey area and the keep-outs.
#pragma once

#include <string>
#include <vector>

#include "geoPoint.h"

namespace nurvo {

// Reads the one polygon of file `name` in the format its name asks for, as a route file's is
// chosen: a GeoJSON Polygon (or a MultiPolygon whose parts meet along an edge, as a polygon cut at
// the meridian 180 is written) or a KML Polygon, with its holes; the one route, track or list of
// points of a GPX or CSV file as the outer ring; or plain text, the outer ring, one "latitude
// longitude" per line as in a waypoint file. A ring may be closed (its last point its first) or
// open. Of a file of nurvo's own exports, the polygon whose role is `what` is read. `what`
// ("area") names the file in the refusals: a file that cannot be read, a refusal of its format's
// reader (with the line and column), a file without a polygon, and one with several (each listed
// by its number, its name and line where the file gives them, and its first vertex) (NurvoError).
GeoPolygon readPolygonFile(const std::string& name, const char* what);

// Reads every polygon and point of keep-out file `name`, as readPolygonFile reads the one of an
// area file (the parts of a MultiPolygon that do not meet are polygons of their own, the
// positions of a GeoJSON MultiPoint points of their own). Where the file holds several, each is
// labelled for the refusals ("polygon 2 (\"wreck B\", line 12)"). Refuses a file that cannot be
// read, what its format's reader refuses, and a file without a polygon or point (NurvoError).
std::vector<GeoPolygon> readKeepOutFile(const std::string& name);

}  // namespace nurvo
