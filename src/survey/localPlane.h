// A local metric plane for planning survey lines: the azimuthal equidistant projection centred on
// the area, on the sphere of 6371 km that the route's own arithmetic uses. Distances and headings
// from the centre are true; other distances within 100 km of it are true to 4 parts in 100 000.
#pragma once

#include <span>

#include "geoPoint.h"

namespace nurvo {

// Metres east (x) and north (y) of the plane's centre.
struct PlanePoint {
  double x = 0.0;
  double y = 0.0;
};

class LocalPlane {
 public:
  static constexpr double earthRadius = earthRadiusKm * 1000.0;  // metres

  explicit LocalPlane(GeoPoint centre);
  GeoPoint centre() const { return centre_; }
  // Any position but the antipode of the centre.
  PlanePoint forward(GeoPoint p) const;
  // Any point within half the earth's circumference of the centre; the longitude in [-180, 180).
  GeoPoint inverse(PlanePoint p) const;

 private:
  GeoPoint centre_;
  double sinLat0_;
  double cosLat0_;
};

// The middle of the latitude and longitude ranges of `points` (not empty). Longitudes are taken
// as the nearest turn to the first one's, so a set across the antimeridian is centred on it and
// not on the far side of the earth.
GeoPoint centreOf(std::span<const GeoPoint> points);

}  // namespace nurvo
