// The routes of GeoJSON (RFC 7946) files.
#pragma once

#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

// Every LineString, and MultiLineString of one part (alone, as a Feature's geometry or in a
// FeatureCollection), named by its Feature's "name" property; where there is none, the Point
// features as one route. nurvo's own export (a feature with the route's "stamp", "waypoints",
// "maxLegMeters" and "depthMode", and Point features with a "number", a "legMeters" and the
// "kind"s of an export in order) gives its route read back from its points (exportedRoute); its
// line, which holds the launch waypoint and the inserted points too, is not read. Other geometries
// are not read. Refuses (ImportError) a file that is not GeoJSON, and any position of these that is
// not [longitude, latitude(, altitude)] in range; NoRouteFound, naming what the file holds, where
// it holds no route.
std::vector<RouteCandidate> readGeoJsonRoutes(std::string_view text);

// The polygons and points of a file, in file order: each Polygon (its first ring the outer one,
// the others its holes), each part of a MultiPolygon, each Point and each position of a MultiPoint,
// alone, as a Feature's geometry, in a FeatureCollection or in a GeometryCollection; named by
// their Feature's "name" property, else its "id". Points that carry a "kind" (the waypoints of
// nurvo's own exports) and other geometries are not read. Refuses (ImportError) what
// readGeoJsonRoutes refuses, a Polygon whose "coordinates" is not an array of at least one ring,
// and any position that is not [longitude, latitude(, altitude)] in range.
std::vector<PolygonShape> readGeoJsonShapes(std::string_view text);

}  // namespace nurvo
