// The routes of GPX 1.0/1.1 and KML 2.2 files.
#pragma once

#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

// GPX: every route (rte) with points, in file order; where there is none, every track (trk) with
// points, its segments joined in order; where there is none, the waypoints (wpt) as one route.
// Points whose <type> is launch or inserted are left out. Empty when the file holds no point.
// Refuses (ImportError) a file that is not GPX, and any point of these without a valid lat and lon.
std::vector<RouteCandidate> readGpxRoutes(std::string_view text);

// KML: every LineString, named by its Placemark; where there is none, the Point placemarks as one
// route. A file whose Point placemarks carry a kind (launch, survey, inserted, as nurvo's own
// export writes) gives its survey points, and its line, which holds the others too, is not read.
std::vector<RouteCandidate> readKmlRoutes(std::string_view text);

// KML: the Polygons and Points of every placemark (also inside a MultiGeometry), in document
// order, named by the placemark's <name>, else its id: a Polygon's rings are the LinearRing of its
// outerBoundaryIs, then one hole per innerBoundaryIs. Points that carry a kind (the waypoints of
// nurvo's own exports) are not read. Refuses (ImportError) a file that is not KML, a Polygon
// without exactly one outer LinearRing, a Point without exactly one coordinate tuple, and any
// coordinate tuple that is not valid.
std::vector<PolygonShape> readKmlShapes(std::string_view text);

}  // namespace nurvo
