// Polygon files: the survey area and the keep-outs.
#pragma once

#include <string>

#include "surveyArea.h"

namespace nurvo {

// Reads the polygon of file `name` in the format its name asks for, as a route file's is chosen:
// a GeoJSON or KML Polygon with its holes; the one route, track or list of points of a GPX or CSV
// file as the outer ring; or plain text, the outer ring, one "latitude longitude" per line as in a
// waypoint file. A ring may be closed (its last point its first) or open. `what` ("area",
// "keep-out") names the file in the refusals: a file that cannot be read, a refusal of its format's
// reader (with the line and column), a file without a polygon or points (NurvoError).
GeoPolygon readPolygonFile(const std::string& name, const char* what);

}  // namespace nurvo
