#include "localPlane.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nurvo {

namespace {
constexpr double degToRad = std::numbers::pi / 180.0;
constexpr double radToDeg = 180.0 / std::numbers::pi;
}  // namespace

LocalPlane::LocalPlane(GeoPoint centre)
    : centre_(centre),
      sinLat0_(std::sin(centre.lat * degToRad)),
      cosLat0_(std::cos(centre.lat * degToRad)) {}

PlanePoint LocalPlane::forward(GeoPoint p) const {
  const double lat = p.lat * degToRad;
  const double dLon = (p.lon - centre_.lon) * degToRad;
  const double sinLat = std::sin(lat);
  const double cosLat = std::cos(lat);
  // East and north components of the direction to p, scaled by the sine of its angular distance;
  // atan2 gives that distance accurately both near the centre and far from it.
  const double east = cosLat * std::sin(dLon);
  const double north = cosLat0_ * sinLat - sinLat0_ * cosLat * std::cos(dLon);
  const double sinC = std::hypot(east, north);
  const double cosC = sinLat0_ * sinLat + cosLat0_ * cosLat * std::cos(dLon);
  if (sinC == 0.0) return {0.0, 0.0};
  const double scale = earthRadius * std::atan2(sinC, cosC) / sinC;
  return {east * scale, north * scale};
}

GeoPoint LocalPlane::inverse(PlanePoint p) const {
  const double rho = std::hypot(p.x, p.y);
  if (rho == 0.0) return centre_;
  const double c = rho / earthRadius;
  const double sinC = std::sin(c);
  const double cosC = std::cos(c);
  const double lat =
      std::asin(std::clamp(cosC * sinLat0_ + p.y * sinC * cosLat0_ / rho, -1.0, 1.0));
  const double dLon = std::atan2(p.x * sinC, rho * cosLat0_ * cosC - p.y * sinLat0_ * sinC);
  return {lat * radToDeg, wrapLongitude(centre_.lon + dLon * radToDeg)};
}

GeoPoint centreOf(std::span<const GeoPoint> points) {
  const double ref = points.front().lon;
  double minLat = points.front().lat, maxLat = minLat, minLon = ref, maxLon = ref;
  for (const GeoPoint& p : points) {
    const double lon = ref + wrapLongitude(p.lon - ref);
    minLat = std::min(minLat, p.lat);
    maxLat = std::max(maxLat, p.lat);
    minLon = std::min(minLon, lon);
    maxLon = std::max(maxLon, lon);
  }
  return {(minLat + maxLat) / 2.0, wrapLongitude((minLon + maxLon) / 2.0)};
}

}  // namespace nurvo
