// Positions on the earth and the polygons made of them, as the readers give them, the survey
// planning takes them and the exports draw them.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace nurvo {

// The radius of the sphere nurvo takes the earth for, in kilometres: the route's great circles, the
// survey's local plane and the picture's scale all measure on it.
constexpr double earthRadiusKm = 6371.0;

// Decimal degrees: latitude in [-90, 90], north positive; longitude in [-180, 180], east positive.
struct GeoPoint {
  double lat = 0.0;
  double lon = 0.0;
};

using GeoRing = std::vector<GeoPoint>;

// A polygon as a file gives it: the outer ring first, then its holes. A ring may end with a repeat
// of its first point or not; repeated consecutive points count once.
// A keep-out may also be a point (one ring of one position), kept clear by the margin.
struct GeoPolygon {
  std::string file;  // named in every refusal
  std::vector<GeoRing> rings;
  std::string label = {};  // which of the file's shapes, named after the file where it has several
  bool point = false;
};

// A polygon drawn with a surveyed route: the area or a keep-out as its file gave it, in degrees,
// the outer ring first, then its holes. A ring may or may not repeat its first point at its end.
enum class PolygonRole { area, keepOut };
struct DrawnPolygon {
  PolygonRole role = PolygonRole::area;
  std::vector<GeoRing> rings;
};

// The longitude brought into [-180, 180).
double wrapLongitude(double lon);

// The longitudes of `ring`, continuous along it (each step taken the short way round), the first
// the turn of it nearest `ref`: a ring across the meridian 180 gets no jump of 360 degrees.
std::vector<double> unwrappedLongitudes(std::span<const GeoPoint> ring, double ref);

// Decimals of a degree the mission files write positions with.
constexpr int writtenDecimals = 4;
// Most a written latitude or longitude differs from the position it stands for, in degrees.
constexpr double writtenRounding = 0.00005;

// `p` as the mission files write it: latitude and longitude rounded to writtenDecimals by the
// files' own number formatting, the longitude in [-180, 180): the meridian 180 is written as -180.
// Writing the result again gives the same digits.
GeoPoint writtenPosition(GeoPoint p);

// "36.8 -121.905": a position as the refusals name it, latitude first, to the micro-degree.
std::string positionText(const GeoPoint& p);

}  // namespace nurvo
