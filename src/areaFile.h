// Polygon files: the survey area and the keep-outs.
#pragma once

#include <string>

#include "surveyArea.h"

namespace nurvo {

// Reads the polygon of file `name`: plain text, the outer ring, one "latitude longitude" per line
// as in a waypoint file. `what` ("area", "keep-out") names the file in the refusals: a file that
// cannot be read, a bad line (with its number), a file without points (NurvoError).
GeoPolygon readPolygonFile(const std::string& name, const char* what);

}  // namespace nurvo
