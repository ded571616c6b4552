// Great-circle arithmetic on a spherical earth of radius earthRadiusKm (6371.0 km).
#pragma once

#include <ctime>
#include <string>

namespace nurvo {

// Great-circle distance in metres between two positions in decimal degrees; never negative.
double dist(double lat1, double lon1, double lat2, double lon2);

// Initial great-circle heading from one position to another, in decimal degrees. Degrees
// clockwise from north in (0, 360]: due north, and a position to itself, give 360.0.
double heading(double fromLat, double fromLon, double toLat, double toLon);

// The position reached from (currentLat, currentLon) after `distance` metres on `headingDeg`.
// The longitude is brought into [-180, 180]: 360 is subtracted above 180 and added below -180,
// so a position across the antimeridian keeps a longitude that every reader accepts. Returns 0.
int newLatLon(double currentLat, double currentLon, double headingDeg, double distance,
              double& newLat, double& newLon);

// Seconds needed for a leg of `distance` metres: one second per metre.
double timeToNextWayPoint(double distance);

// Base name of a run's output files for a UTC time: year, "_", day of the year from 0, "_", hour
// without leading zero, minute in two digits, ".". For example 2026_340_1529. and 2027_0_000.
std::string fileName(const std::tm& utc);

}  // namespace nurvo
