// Great-circle arithmetic: distances, headings, destination points and leg times.
#include "calcs.h"

#include <gtest/gtest.h>

#include <ctime>

namespace nurvo {
namespace {

// Tolerances per quantity: distances to the centimetre, headings to the sixth decimal (the digits
// the mission files depend on), positions to 1e-10 degree (about 0.01 mm).
constexpr double metresTol = 0.005;
constexpr double headingTol = 1e-6;
constexpr double degreesTol = 1e-10;

struct PairCase {
  const char* what;
  double lat1, lon1, lat2, lon2;
  double expected;
};

TEST(Dist, GivesGreatCircleMetresOnTheSphereOfRadius6371km) {
  const PairCase cases[] = {
      {"one degree of longitude on the equator", 0, 0, 0, 1, 111194.93},
      {"one degree of latitude", 0, 0, 1, 0, 111194.93},
      {"one degree of longitude, westwards", 0, 1, 0, 0, 111194.93},
      {"a point to itself", 36.8, -121.8, 36.8, -121.8, 0.0},
      {"western longitudes", 36.8167, -121.8170, 36.8, -121.9, 7619.04},
      {"cut-leg example", 36.8, -121.9, 36.8, -121.78, 10684.47},
  };
  for (const PairCase& c : cases) {
    EXPECT_NEAR(dist(c.lat1, c.lon1, c.lat2, c.lon2), c.expected, metresTol) << c.what;
    EXPECT_NEAR(dist(c.lat2, c.lon2, c.lat1, c.lon1), c.expected, metresTol)
        << c.what << " swapped";
    EXPECT_GE(dist(c.lat1, c.lon1, c.lat2, c.lon2), 0.0) << c.what;
  }
}

TEST(Heading, CarriesTheFactorOfItsOwnPiAndIsNeverZero) {
  const PairCase cases[] = {
      {"due east on the equator", 0, 0, 0, 1, 90.000076},
      {"due west on the equator", 0, 1, 0, 0, 269.999924},
      {"due south", 1, 0, 0, 0, 180.000152},
      {"due north comes out as 360, not 0", 0, 0, 1, 0, 360.0},
      {"due north away from the equator", 36.8, -121.8, 36.9, -121.8, 360.0},
      {"a point to itself", 36.8, -121.8, 36.8, -121.8, 360.0},
      {"a point to itself on the equator", 0, 0, 0, 0, 360.0},
      {"western longitudes", 36.8167, -121.8170, 36.8, -121.9, 255.918260},
      {"cut-leg example", 36.8, -121.9, 36.8, -121.78, 89.964135},
      {"east across the antimeridian, the short way", -16.5, 179.98, -16.52, -179.95, 106.604133},
      {"west across the antimeridian, the short way", -16.52, -179.95, -16.5, 179.98, 286.584088},
  };
  for (const PairCase& c : cases) {
    const double h = heading(c.lat1, c.lon1, c.lat2, c.lon2);
    EXPECT_NEAR(h, c.expected, headingTol) << c.what;
    EXPECT_GT(h, 0.0) << c.what;
    EXPECT_LE(h, 360.0) << c.what;
  }
  // Exactly 360.0 for due north and a point to itself: the launch waypoint's rule compares it.
  EXPECT_EQ(heading(0, 0, 1, 0), 360.0);
  EXPECT_EQ(heading(-33.9, 18.4, -33.9, 18.4), 360.0);
}

struct DestinationCase {
  const char* what;
  double lat, lon, headingDeg, metres;
  double expectedLat, expectedLon;
};

TEST(NewLatLon, TravelsTheDistanceOnTheHeadingAndWrapsTheLongitudeIntoRange) {
  const DestinationCase cases[] = {
      {"1 km east on the equator", 0, 0, 90, 1000, 0.0, 0.0089932161},
      {"1 km north", 0, 0, 0, 1000, 0.0089932161, 0.0},
      {"distance 0 keeps the start", 36.8, -121.8, 45, 0, 36.8, -121.8},
      {"distance 0 on heading 360", -12.5, 130.25, 360, 0, -12.5, 130.25},
      {"east across the antimeridian", 0, 179.99, 90, 10000, 0.0, -179.9200678394},
      {"west across the antimeridian", 0, -179.99, 270, 10000, 0.0, 179.9200678394},
      {"over the north pole", 89.9, 10, 360, 22239, 89.8999998675, -170.0000000029},
      {"first piece of the cut-leg example", 36.8, -121.9, 89.9641346215, 3600, 36.8000134232,
       -121.8595674913},
      {"launch of a single waypoint, 500 m due south", 36.8, -121.8, 180, 500, 36.7955033920,
       -121.8},
  };
  for (const DestinationCase& c : cases) {
    double lat = -999.0;
    double lon = -999.0;
    EXPECT_EQ(newLatLon(c.lat, c.lon, c.headingDeg, c.metres, lat, lon), 0) << c.what;
    EXPECT_NEAR(lat, c.expectedLat, degreesTol) << c.what;
    EXPECT_NEAR(lon, c.expectedLon, degreesTol) << c.what;
  }
}

TEST(TimeToNextWayPoint, IsOneSecondPerMetre) {
  EXPECT_EQ(timeToNextWayPoint(3600.0), 3600.0);
  EXPECT_EQ(timeToNextWayPoint(3484.47), 3484.47);
  EXPECT_EQ(timeToNextWayPoint(0.0), 0.0);
}

}  // namespace
}  // namespace nurvo

// Base names of the output files for given UTC times.

namespace nurvo {
namespace {

// A broken-down UTC time; `yday` counts from 0 on 1 January.
std::tm utc(int year, int month, int day, int yday, int hour, int minute) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_yday = yday;
  t.tm_hour = hour;
  t.tm_min = minute;
  return t;
}

TEST(FileName, YearAndDayOfTheYearAtTheEndsOfTheYear) {
  EXPECT_EQ(fileName(utc(2027, 1, 1, 0, 0, 0)), "2027_0_000.");
  EXPECT_EQ(fileName(utc(2028, 12, 31, 365, 23, 59)), "2028_365_2359.");  // a leap year
  EXPECT_EQ(fileName(utc(2027, 12, 31, 364, 23, 59)), "2027_364_2359.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 15, 29)), "2026_340_1529.");
}

TEST(FileName, HourWithoutLeadingZeroAndMinuteInTwoDigits) {
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 5, 7)), "2026_340_507.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 9, 5)), "2026_340_905.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 0, 57)), "2026_340_057.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 15, 29)), "2026_340_1529.");
  // 01:11 and 11:01 of one day must not share a name: the later run would overwrite the earlier.
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 1, 11)), "2026_340_111.");
  EXPECT_EQ(fileName(utc(2026, 12, 7, 340, 11, 1)), "2026_340_1101.");
}

}  // namespace
}  // namespace nurvo
