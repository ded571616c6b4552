#include "calcs.h"

#include <cmath>

#include "geoPoint.h"

namespace nurvo {

// Each function keeps the conversion constants it has always used. They differ slightly from one
// another and from a library pi, and the mission files depend on those digits: a heading due east
// comes out as 90.000076, not 90.

double dist(double lat1, double lon1, double lat2, double lon2) {
  constexpr double degToRad = 0.01745329252;
  const double dLon = (lon1 - lon2) * degToRad;
  const double phi1 = lat1 * degToRad;
  const double phi2 = lat2 * degToRad;
  const double dz = std::sin(phi1) - std::sin(phi2);
  const double dx = std::cos(dLon) * std::cos(phi1) - std::cos(phi2);
  const double dy = std::sin(dLon) * std::cos(phi1);
  return std::asin(std::sqrt(dx * dx + dy * dy + dz * dz) / 2.0) * 2 * earthRadiusKm * 1000.0;
}

double heading(double fromLat, double fromLon, double toLat, double toLon) {
  constexpr double pi = 3.14159;
  const double lat1 = fromLat * pi / 180.0;
  const double lon1 = fromLon * pi / 180.0;
  const double lat2 = toLat * pi / 180.0;
  const double lon2 = toLon * pi / 180.0;
  // 3.14159 is not pi, so a whole turn of longitude is not a whole turn to sin and cos: a leg
  // across the antimeridian takes its difference the short way round, in degrees, before the
  // conversion. Every other leg keeps the difference of the converted longitudes, digit for digit.
  double londif = lon2 - lon1;
  const double londifDeg = toLon - fromLon;
  if (londifDeg > 180.0) {
    londif = (londifDeg - 360.0) * pi / 180.0;
  } else if (londifDeg < -180.0) {
    londif = (londifDeg + 360.0) * pi / 180.0;
  }
  const double head = std::atan2(
      std::sin(londif) * std::cos(lat2),
      std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(londif));
  const double headingDeg = head * 180.0 / pi;
  if (headingDeg > 0) return headingDeg;
  return headingDeg + 360.0;  // north, and a point to itself, come out as 360.0, never 0
}

int newLatLon(double currentLat, double currentLon, double headingDeg, double distance,
              double& newLat, double& newLon) {
  constexpr double PI = 3.1415926536;
  constexpr double radToDeg = 57.29577951289617;
  const double currentLatRad = PI / 180 * currentLat;
  const double headingRad = PI / 180 * headingDeg;
  const double currentLonRad = PI / 180 * currentLon;
  const double delta = distance / 1000.0 / earthRadiusKm;
  const double phi = std::asin(std::sin(currentLatRad) * std::cos(delta) +
                               std::cos(currentLatRad) * std::sin(delta) * std::cos(headingRad));
  const double lambda =
      currentLonRad + std::atan2(std::sin(headingRad) * std::sin(delta) * std::cos(currentLatRad),
                                 std::cos(delta) - std::sin(currentLatRad) * std::sin(phi));
  newLat = phi * radToDeg;
  newLon = lambda * radToDeg;
  // The start lies within [-180, 180] and atan2 adds at most 180 either way: one turn suffices.
  if (newLon > 180.0) {
    newLon -= 360.0;
  } else if (newLon < -180.0) {
    newLon += 360.0;
  }
  return 0;
}

// A leg is timed at one second per metre, whatever the mission speed: the vehicle aborts a leg
// that outlasts its duration, and one second per metre keeps a margin over its real speed (about
// 1.5 m/s) for currents and for the dives and climbs of yo-yo legs.
double timeToNextWayPoint(double distance) {
  return distance;
}

std::string fileName(const std::tm& utc) {
  // The minute always has two digits, so that 01:11 (111) and 11:01 (1101) never share a name.
  const int minute = utc.tm_min;
  return std::to_string(utc.tm_year + 1900) + '_' + std::to_string(utc.tm_yday) + '_' +
         std::to_string(utc.tm_hour) + static_cast<char>('0' + minute / 10) +
         static_cast<char>('0' + minute % 10) + '.';
}

}  // namespace nurvo
