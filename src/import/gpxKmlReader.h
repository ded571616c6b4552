// The routes of GPX 1.0/1.1 and KML 2.2 files.
#pragma once

#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

// GPX: every route (rte) with points, in file order; where there is none, every track (trk) with
// points, its segments joined in order; where there is none, the waypoints (wpt) as one route.
// nurvo's own export (creator nurvo, its route described as nurvo describes it, the <type>s of its
// points a launch waypoint and then survey, line end, move or inserted points) gives its route
// read back (exportedRoute): the launch waypoint and the inserted points are made by the run.
// Refuses (ImportError) a file that is not GPX, and any point of these without a valid lat and lon;
// NoRouteFound where the file holds no point.
std::vector<RouteCandidate> readGpxRoutes(std::string_view text);

// KML: every LineString and gx:Track (its gx:coord "longitude latitude altitude"), named by its
// Placemark, also inside a MultiGeometry or gx:MultiTrack; where there is none, the Point
// placemarks as one route. nurvo's own export (its Document described as nurvo describes a route,
// the "kind" data of its Point placemarks those of an export in order) gives its route read back
// from its points (exportedRoute); its line, which holds the launch waypoint and the inserted
// points too, is not read. NoRouteFound, naming the polygons it holds, where the file holds no
// route.
std::vector<RouteCandidate> readKmlRoutes(std::string_view text);

// KML: the Polygons and Points of every placemark (also inside a MultiGeometry), in document
// order, named by the placemark's <name>, else its id: a Polygon's rings are the LinearRing of its
// outerBoundaryIs, then one hole per innerBoundaryIs. Points that carry a kind (the waypoints of
// nurvo's own exports) are not read. Refuses (ImportError) a file that is not KML, a Polygon
// without exactly one outer LinearRing, a Point without exactly one coordinate tuple, and any
// coordinate tuple that is not valid.
std::vector<PolygonShape> readKmlShapes(std::string_view text);

}  // namespace nurvo
