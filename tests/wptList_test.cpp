// The route list and the preparation of a route: cutting, placing, numbering, timing, launch
// waypoint and totals.
#include "wptList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "calcs.h"
#include "nurvoError.h"
#include "textSink.h"

namespace nurvo {
namespace {

using Position = std::pair<double, double>;

wptList listOf(const std::vector<Position>& positions) {
  wptList list;
  for (const auto& [lat, lon] : positions) list.insertLatLonEnd(lat, lon);
  return list;
}

std::vector<const node*> forwards(const wptList& list) {
  std::vector<const node*> nodes;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) nodes.push_back(n);
  return nodes;
}

std::vector<const node*> backwards(const wptList& list) {
  std::vector<const node*> nodes;
  for (const node* n = list.tail(); n != nullptr; n = n->prevPtr) nodes.push_back(n);
  return nodes;
}

// The list's invariants: end links null, every successor points back, the tail is the end of the
// forward walk, and empty exactly when the head is null.
testing::AssertionResult linkedBothWays(const wptList& list) {
  if (list.empty() != (list.head() == nullptr) ||
      (list.head() == nullptr) != (list.tail() == nullptr)) {
    return testing::AssertionFailure() << "head and tail disagree about emptiness";
  }
  if (list.empty()) return testing::AssertionSuccess();
  if (list.head()->prevPtr != nullptr)
    return testing::AssertionFailure() << "head has a predecessor";
  if (list.tail()->nextPtr != nullptr) return testing::AssertionFailure() << "tail has a successor";
  std::size_t index = 0;
  const node* last = nullptr;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr, ++index) {
    if (n->nextPtr != nullptr && n->nextPtr->prevPtr != n) {
      return testing::AssertionFailure() << "node " << index << " is not linked back";
    }
    last = n;
  }
  if (last != list.tail()) return testing::AssertionFailure() << "tail is not the last node";
  return testing::AssertionSuccess();
}

std::string fourDecimals(const node* n) {
  return strprintf("%.4f %.4f", n->Lat, n->Lon);
}

// ---- The list ----

TEST(WaypointList, FirstAppendMakesTheOnlyNodeHeadAndTailWithClearedFields) {
  wptList list;
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.head(), nullptr);
  EXPECT_EQ(list.tail(), nullptr);

  list.insertLatLonEnd(36.8167, -121.817);
  ASSERT_FALSE(list.empty());
  const node* n = list.head();
  EXPECT_EQ(n, list.tail());
  EXPECT_EQ(n->prevPtr, nullptr);
  EXPECT_EQ(n->nextPtr, nullptr);
  EXPECT_EQ(n->Lat, 36.8167);
  EXPECT_EQ(n->Lon, -121.817);
  EXPECT_EQ(n->legMeters, 0.0);
  EXPECT_EQ(n->heading, 0.0);
  EXPECT_EQ(n->legSecs, 0.0);
  EXPECT_EQ(n->wptNumber, 0);
  EXPECT_FALSE(n->blank);
}

TEST(WaypointList, AppendsLinkBothWaysAndWalkInBothDirections) {
  wptList list;
  list.insertLatLonEnd(1.0, 10.0);
  const node* a = list.head();
  list.insertLatLonEnd(2.0, 20.0);
  EXPECT_EQ(list.head(), a) << "appending keeps the head";
  EXPECT_NE(list.tail(), a) << "appending moves the tail";
  EXPECT_EQ(a->nextPtr, list.tail());
  EXPECT_EQ(list.tail()->prevPtr, a);
  list.insertLatLonEnd(3.0, 30.0);
  EXPECT_TRUE(linkedBothWays(list));

  std::vector<double> fwd;
  for (const node* n : forwards(list)) fwd.push_back(n->Lat);
  std::vector<double> rev;
  for (const node* n : backwards(list)) rev.push_back(n->Lat);
  EXPECT_EQ(fwd, (std::vector<double>{1.0, 2.0, 3.0}));
  EXPECT_EQ(rev, (std::vector<double>{3.0, 2.0, 1.0}));
}

TEST(WaypointList, PrependingMovesTheHeadAndKeepsTheTail) {
  wptList list;
  list.insertLatLonBeg(2.0, 20.0);
  EXPECT_EQ(list.head(), list.tail()) << "prepending to an empty list makes head and tail";
  const node* oldTail = list.tail();
  list.insertLatLonBeg(1.0, 10.0);
  EXPECT_EQ(list.tail(), oldTail);
  EXPECT_EQ(list.head()->Lat, 1.0);
  EXPECT_EQ(list.head()->Lon, 10.0);
  EXPECT_EQ(list.head()->legMeters, 0.0);
  EXPECT_EQ(list.head()->wptNumber, 0);
  list.insertLatLonEnd(3.0, 30.0);
  EXPECT_TRUE(linkedBothWays(list));
  std::vector<double> lats;
  for (const node* n : forwards(list)) lats.push_back(n->Lat);
  EXPECT_EQ(lats, (std::vector<double>{1.0, 2.0, 3.0}));
}

TEST(WaypointList, InsertBegAndInsertEndCarryOnlyTheLegLength) {
  wptList list;
  list.insertLatLonEnd(5.0, 50.0);
  list.insertBeg(1234.5);
  list.insertEnd(678.25);
  EXPECT_TRUE(linkedBothWays(list));
  const std::vector<const node*> nodes = forwards(list);
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0], list.head());
  EXPECT_EQ(nodes[2], list.tail());
  EXPECT_EQ(nodes[1]->Lat, 5.0);
  for (const node* n : {nodes[0], nodes[2]}) {
    EXPECT_EQ(n->heading, 0.0);
    EXPECT_EQ(n->legSecs, 0.0);
    EXPECT_EQ(n->wptNumber, 0);
  }
  EXPECT_EQ(nodes[0]->legMeters, 1234.5);
  EXPECT_EQ(nodes[2]->legMeters, 678.25);

  wptList fromEmpty;
  fromEmpty.insertEnd(1.0);
  EXPECT_EQ(fromEmpty.head(), fromEmpty.tail());
  fromEmpty.insertBeg(2.0);
  EXPECT_EQ(fromEmpty.head()->legMeters, 2.0);
  EXPECT_EQ(fromEmpty.tail()->legMeters, 1.0);
  EXPECT_TRUE(linkedBothWays(fromEmpty));
}

TEST(WaypointList, InsertNodeLinksABlankNodeCarryingTheRestOfTheLeg) {
  wptList list = listOf({{1.0, 10.0}, {2.0, 20.0}});
  node* first = list.head();
  first->heading = 42.5;
  const node* last = list.tail();
  const node* inserted = list.insertNode(first, 777.0);
  EXPECT_TRUE(linkedBothWays(list));
  EXPECT_EQ(first->nextPtr, inserted);
  EXPECT_EQ(inserted->nextPtr, last);
  EXPECT_EQ(last->prevPtr, inserted);
  EXPECT_EQ(list.tail(), last);
  EXPECT_TRUE(inserted->blank);
  EXPECT_EQ(inserted->Lat, 0.0);
  EXPECT_EQ(inserted->Lon, 0.0);
  EXPECT_EQ(inserted->legMeters, 777.0);
  EXPECT_EQ(inserted->heading, 42.5);
  EXPECT_EQ(inserted->legSecs, 0.0);
  EXPECT_EQ(inserted->wptNumber, 0);
}

TEST(WaypointList, DestroyListEmptiesTheListWhichCanBeFilledAgain) {
  wptList list = listOf({{1.0, 10.0}, {2.0, 20.0}, {3.0, 30.0}});
  list.destroyList();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.head(), nullptr);
  EXPECT_EQ(list.tail(), nullptr);
  list.insertLatLonEnd(4.0, 40.0);
  EXPECT_EQ(forwards(list).size(), 1u);
  EXPECT_TRUE(linkedBothWays(list));
}

TEST(WaypointList, MovingTheListKeepsEveryNodeWhereItIs) {
  wptList list = listOf({{1.0, 10.0}, {2.0, 20.0}});
  const node* head = list.head();
  const node* tail = list.tail();
  wptList moved(std::move(list));
  EXPECT_EQ(moved.head(), head);
  EXPECT_EQ(moved.tail(), tail);
  EXPECT_EQ(head->nextPtr, tail);
  wptList assigned;
  assigned = std::move(moved);
  EXPECT_EQ(assigned.head(), head);
  EXPECT_TRUE(linkedBothWays(assigned));
}

TEST(WaypointList, InitNodeClearsLegFieldsOnlyAndRefusesANullNode) {
  wptList list = listOf({{1.0, 10.0}, {2.0, 20.0}});
  node* n = list.head();
  n->legMeters = 1.0;
  n->heading = 2.0;
  n->legSecs = 3.0;
  n->wptNumber = 4;
  EXPECT_EQ(initNode(n), 0);
  EXPECT_EQ(n->legMeters, 0.0);
  EXPECT_EQ(n->heading, 0.0);
  EXPECT_EQ(n->legSecs, 0.0);
  EXPECT_EQ(n->wptNumber, 0);
  EXPECT_EQ(n->Lat, 1.0);
  EXPECT_EQ(n->Lon, 10.0);
  EXPECT_EQ(n->nextPtr, list.tail());
  EXPECT_EQ(initNode(nullptr), 1);
}

// ---- Display ----

TEST(DisplayNode, WritesSixFieldsWithoutAFinalLineEnd) {
  wptList list = listOf({{36.8167, -121.817}});
  node* n = list.head();
  n->legMeters = 3600;
  n->heading = 90;
  n->legSecs = 3600;
  n->wptNumber = 2;
  StringSink out;
  EXPECT_EQ(displayNode(n, out), 0);
  EXPECT_EQ(out.text,
            "\n\nLat 36.8167 \nLon -121.8170 \nDistance: 3600.0 \nHead 90.0 \nTime 3600 "
            "\nwptNumber 2 ");

  StringSink none;
  EXPECT_EQ(displayNode(nullptr, none), 1);
  EXPECT_EQ(none.text, "No such node\n");
}

TEST(DisplayList, ForwardsAndBackwardsPrintEveryNodeOnceInOppositeOrders) {
  wptList list = listOf({{1.5, -2.25}, {3.0, 4.0}});
  list.head()->legMeters = 12.34;
  list.head()->heading = 359.96;
  list.head()->legSecs = 12.5;  // %.0f rounds half to even: 12
  list.head()->wptNumber = 1;
  list.tail()->wptNumber = 2;
  const std::string first =
      "\n\nLat 1.5000 \nLon -2.2500 \nDistance: 12.3 \nHead 360.0 \nTime 12 \nwptNumber 1 ";
  const std::string second =
      "\n\nLat 3.0000 \nLon 4.0000 \nDistance: 0.0 \nHead 0.0 \nTime 0 \nwptNumber 2 ";
  StringSink fwd;
  displayFwd(list, fwd);
  EXPECT_EQ(fwd.text, first + second);
  StringSink rev;
  displayRev(list, rev);
  EXPECT_EQ(rev.text, second + first);

  const wptList one = listOf({{1.5, -2.25}});
  StringSink single;
  displayRev(one, single);
  EXPECT_EQ(single.text,
            "\n\nLat 1.5000 \nLon -2.2500 \nDistance: 0.0 \nHead 0.0 \nTime 0 \nwptNumber 0 ");

  const wptList empty;
  StringSink e1;
  displayFwd(empty, e1);
  EXPECT_EQ(e1.text, "dll is empty\n");
  StringSink e2;
  displayRev(empty, e2);
  EXPECT_EQ(e2.text, "dll is empty\n");
}

// ---- Route preparation ----

constexpr double metresTol = 0.005;
constexpr double headingTol = 0.0005;

TEST(PrepareRoute, CutLegExampleGivesThreePiecesTwoPlacedWaypointsAndTheLaunch) {
  wptList route = listOf({{36.8, -121.9}, {36.8, -121.78}});
  const RouteTotals totals = prepareRoute(route, MissionParams{});
  EXPECT_TRUE(linkedBothWays(route));
  const std::vector<const node*> n = forwards(route);
  ASSERT_EQ(n.size(), 5u);

  const double legs[] = {500.0, 3600.0, 3600.0, 3484.47, 0.0};
  const double secs[] = {650.0, 3600.0, 3600.0, 3484.47, 0.0};
  // The launch leg and the first piece share the uncut leg's heading; each later piece has its own.
  const double headings[] = {89.964, 89.964, 89.988, 90.012, 0.0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(n[i]->wptNumber, i);
    EXPECT_NEAR(n[i]->legMeters, legs[i], metresTol) << "node " << i;
    EXPECT_NEAR(n[i]->legSecs, secs[i], metresTol) << "node " << i;
    EXPECT_NEAR(n[i]->heading, headings[i], headingTol) << "node " << i;
    EXPECT_FALSE(n[i]->blank);
    EXPECT_EQ(n[i]->kind == WaypointKind::inserted, i == 2 || i == 3) << "node " << i;
  }
  EXPECT_EQ(fourDecimals(n[0]), "36.8000 -121.9056");
  EXPECT_EQ(fourDecimals(n[1]), "36.8000 -121.9000");
  EXPECT_EQ(fourDecimals(n[2]), "36.8000 -121.8596");
  EXPECT_EQ(fourDecimals(n[3]), "36.8000 -121.8191");
  EXPECT_EQ(n[4]->Lat, 36.8) << "the end of a cut leg keeps the position read";
  EXPECT_EQ(n[4]->Lon, -121.78);
  EXPECT_NEAR(totals.surveyLineMeters, 11184.47, metresTol);
  EXPECT_NEAR(totals.missionTime, 11334.47, metresTol);
}

TEST(PrepareRoute, SingleWaypointGetsALaunchWaypoint500MetresDueSouth) {
  wptList route = listOf({{36.8, -121.8}});
  const RouteTotals totals = prepareRoute(route, MissionParams{});
  const std::vector<const node*> n = forwards(route);
  ASSERT_EQ(n.size(), 2u);
  EXPECT_EQ(n[0]->wptNumber, 0);
  EXPECT_EQ(fourDecimals(n[0]), "36.7955 -121.8000");
  EXPECT_EQ(n[0]->heading, 0.0);
  EXPECT_EQ(n[0]->legMeters, 500.0);
  EXPECT_EQ(n[0]->legSecs, 650.0);
  EXPECT_EQ(n[1]->wptNumber, 1);
  EXPECT_EQ(n[1]->Lat, 36.8);
  EXPECT_EQ(n[1]->legMeters, 0.0);
  EXPECT_EQ(n[1]->heading, 0.0);
  EXPECT_EQ(n[1]->legSecs, 0.0);
  EXPECT_EQ(totals.surveyLineMeters, 500.0);
  EXPECT_EQ(totals.missionTime, 650.0);
}

// A list whose legs are set by hand, all on heading `headingDeg`, the last node without a leg.
wptList listWithLegs(const std::vector<double>& legs, double headingDeg) {
  wptList list;
  for (std::size_t i = 0; i <= legs.size(); ++i) {
    list.insertLatLonEnd(10.0 + static_cast<double>(i), 20.0);
    if (i < legs.size()) {
      list.tail()->legMeters = legs[i];
      list.tail()->heading = headingDeg + static_cast<double>(i);
    }
  }
  return list;
}

TEST(InsertIfBigLegMeters, CutsByRepeatedSubtractionAndNeverCutsALegOfExactlyTheMaximum) {
  const double M = 1000.0;
  wptList list = listWithLegs({M, 2 * M, M + 1, 2.5 * M, 999.999, 0.0}, 30.0);
  insertIfBig_legMeters(list, M);
  EXPECT_TRUE(linkedBothWays(list));
  struct Expected {
    double legMeters;
    double heading;
    bool blank;
  };
  const Expected expected[] = {
      {M, 30.0, false},                                                // exactly M: not cut
      {M, 31.0, false},       {M, 31.0, true},                         // 2M: two legs of M
      {M, 32.0, false},       {1.0, 32.0, true},                       // M + 1: M and 1
      {M, 33.0, false},       {M, 33.0, true},   {500.0, 33.0, true},  // 2.5M
      {999.999, 34.0, false},                                          // shorter: untouched
      {0.0, 35.0, false},                                              // zero length: untouched
      {0.0, 0.0, false},                                               // the last node
  };
  const std::vector<const node*> n = forwards(list);
  ASSERT_EQ(n.size(), std::size(expected));
  for (std::size_t i = 0; i < n.size(); ++i) {
    EXPECT_EQ(n[i]->legMeters, expected[i].legMeters) << "node " << i;
    EXPECT_EQ(n[i]->heading, expected[i].heading) << "node " << i;
    EXPECT_EQ(n[i]->blank, expected[i].blank) << "node " << i;
    if (expected[i].blank) {
      EXPECT_EQ(n[i]->Lat, 0.0) << "node " << i;
    }
  }
}

TEST(InsertIfBigLegMeters, EqualCutMakesTheFewestEqualPiecesNoLongerThanTheMaximum) {
  const double M = 1000.0;
  wptList list = listWithLegs({M, M + 1, 2.5 * M, 3 * M}, 30.0);
  insertIfBig_legMeters(list, M, LegCut::equal);
  const double expected[] = {M,           (M + 1) / 2, (M + 1) / 2, 2.5 * M / 3, 2.5 * M / 3,
                             2.5 * M / 3, M,           M,           M,           0.0};
  const std::vector<const node*> n = forwards(list);
  ASSERT_EQ(n.size(), std::size(expected));
  for (std::size_t i = 0; i < n.size(); ++i) EXPECT_EQ(n[i]->legMeters, expected[i]) << i;
}

TEST(InsertIfBigLegMeters, RemaindersComeFromSuccessiveSubtraction) {
  const double L = 10684.47122585135;
  const double M = 3600.0;
  wptList list = listWithLegs({L}, 90.0);
  insertIfBig_legMeters(list, M);
  const std::vector<const node*> n = forwards(list);
  ASSERT_EQ(n.size(), 4u);
  EXPECT_EQ(n[2]->legMeters, (L - M) - M) << "bit for bit, not L - 2M";
}

TEST(InsertIfBigLegMeters, RefusesACutThatWouldExceedTheRouteLimitAndLeavesTheListAsItIs) {
  // 111 km cut into pieces of 1 cm would make over 11 million waypoints.
  wptList list = listOf({{0.0, 0.0}, {0.0, 1.0}});
  calcLegs(list);
  const double leg = list.head()->legMeters;
  EXPECT_THROW(insertIfBig_legMeters(list, 0.01), NurvoError);
  EXPECT_EQ(forwards(list).size(), 2u);
  EXPECT_EQ(list.head()->legMeters, leg);
  EXPECT_TRUE(linkedBothWays(list));

  // The count is of the whole route: one leg of 111 km in pieces of 0.012 m would fit (9.3 million
  // waypoints), two such legs do not.
  wptList tooLong = listOf({{0.0, 0.0}, {0.0, 1.0}, {0.0, 2.0}});
  calcLegs(tooLong);
  EXPECT_THROW(insertIfBig_legMeters(tooLong, 0.012), NurvoError);
  EXPECT_EQ(forwards(tooLong).size(), 3u);
}

TEST(PrepareRoute, WaypointsOnTheEquatorKeepThePositionRead) {
  // The first two waypoints on the equator; then a cut leg south and a cut leg back north that
  // ends on the equator.
  wptList route = listOf({{0.0, 10.0}, {0.0, 10.005}, {-0.02, 10.005}, {0.0, 10.005}});
  MissionParams params;
  params.maxLegMeters = 1000.0;
  prepareRoute(route, params);
  const std::vector<const node*> n = forwards(route);
  // launch, 1, 2, two inserted, 5, two inserted, 8: legs of 556, 2224 and 2224 m.
  ASSERT_EQ(n.size(), 9u);
  EXPECT_EQ(n[1]->Lat, 0.0);
  EXPECT_EQ(n[1]->Lon, 10.0);
  EXPECT_EQ(n[2]->Lat, 0.0);
  EXPECT_EQ(n[2]->Lon, 10.005);
  EXPECT_EQ(n[5]->Lat, -0.02);
  EXPECT_EQ(n[8]->Lat, 0.0);
  EXPECT_EQ(n[8]->Lon, 10.005);
  EXPECT_EQ(n[8]->wptNumber, 8);
  EXPECT_NEAR(n[3]->Lat, -0.0089932, 1e-6) << "inserted waypoints are placed";
  EXPECT_NEAR(n[6]->Lat, -0.0110068, 1e-6);
  EXPECT_NEAR(n[6]->Lon, 10.005, 1e-6);
  // The launch waypoint lies 500 m west of the first waypoint, on the equator.
  EXPECT_EQ(fourDecimals(n[0]), "0.0000 9.9955");

  // A negative zero is a latitude like any other.
  wptList negativeZero = listOf({{36.8, -121.8}, {-0.0, -121.8}});
  prepareRoute(negativeZero, MissionParams{});
  EXPECT_EQ(negativeZero.tail()->Lat, 0.0);
  EXPECT_EQ(negativeZero.tail()->Lon, -121.8);
}

// ---- Cut points against great circles computed here, with unit vectors ----

struct Vec {
  double x, y, z;
};
constexpr double earthMetres = 6371000.0;
constexpr double toRad = std::numbers::pi / 180.0;

Vec unit(const Position& p) {
  const double lat = p.first * toRad;
  const double lon = p.second * toRad;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}
double dot(const Vec& a, const Vec& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(const Vec& a, const Vec& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double metresBetween(const Vec& a, const Vec& b) {
  return earthMetres * std::atan2(std::sqrt(dot(cross(a, b), cross(a, b))), dot(a, b));
}

// The position `metres` from `from` on the initial bearing `bearingDeg`.
Position along(const Position& from, double bearingDeg, double metres) {
  const double lat = from.first * toRad;
  const double lon = from.second * toRad;
  const double b = bearingDeg * toRad;
  const double d = metres / earthMetres;
  const Vec p = unit(from);
  const Vec dir = {-std::sin(lat) * std::cos(lon) * std::cos(b) - std::sin(lon) * std::sin(b),
                   -std::sin(lat) * std::sin(lon) * std::cos(b) + std::cos(lon) * std::sin(b),
                   std::cos(lat) * std::cos(b)};
  const Vec q = {p.x * std::cos(d) + dir.x * std::sin(d), p.y * std::cos(d) + dir.y * std::sin(d),
                 p.z * std::cos(d) + dir.z * std::sin(d)};
  return {std::asin(q.z) / toRad, std::atan2(q.y, q.x) / toRad};
}

TEST(FillBlankLatLons, CutPointsLieOnTheLegsGreatCircleAndEachPieceHeadsAlongIt) {
  std::vector<std::pair<Position, Position>> legs = {
      {{89.9, 0}, {89.9, 180}},           // over the north pole
      {{-85, 30}, {-85, -150}},           // over the south pole
      {{80, -10}, {80, 10}},              // 380 km along a parallel
      {{70, 10}, {70, 12}},               // 76 km
      {{-16.5, 179.9}, {-16.5, -179.9}},  // east across the antimeridian
      {{-16.5, -179.9}, {-16.5, 179.9}},  // west across it
      {{10, -179.999}, {10, -179.95}},    // the launch waypoint lies across it
  };
  for (const double lat : {0.0, 30.0, 60.0, 70.0, 80.0, 85.0}) {
    for (const double hemisphere : {1.0, -1.0}) {
      for (const double bearing : {0.0, 90.0, 180.0, 270.0, 37.0, 233.0}) {
        for (const double metres : {5e3, 76e3, 400e3}) {
          const Position from = {hemisphere * lat, 10.0};
          legs.push_back({from, along(from, bearing, metres)});
        }
      }
    }
  }
  MissionParams params;
  params.maxLegMeters = 3600.0;
  for (const auto& [from, to] : legs) {
    SCOPED_TRACE(strprintf("%g %g to %.6f %.6f", from.first, from.second, to.first, to.second));
    wptList route = listOf({from, to});
    prepareRoute(route, params);
    const std::vector<const node*> n = forwards(route);  // launch, start, cut points, end
    const Vec a = unit(from);
    const Vec b = unit(to);
    const Vec normal = cross(a, b);
    const double normalLength = std::sqrt(dot(normal, normal));
    const double tolerance = 1e-4 * metresBetween(a, b) + 1.0;
    ASSERT_GE(n.size(), 4u) << "every leg here is cut";
    for (std::size_t k = 2; k + 1 < n.size(); ++k) {
      const Vec p = unit({n[k]->Lat, n[k]->Lon});
      const double offLeg = earthMetres * std::asin(std::fabs(dot(p, normal)) / normalLength);
      EXPECT_LE(offLeg, tolerance) << "cut point " << k - 1;
      EXPECT_NEAR(metresBetween(a, p), static_cast<double>(k - 1) * 3600.0, tolerance);
      // A piece heads from its start to its end, not on the uncut leg's first heading.
      const Position end = along({n[k]->Lat, n[k]->Lon}, n[k]->heading, n[k]->legMeters);
      EXPECT_LE(metresBetween(unit(end), unit({n[k + 1]->Lat, n[k + 1]->Lon})), tolerance)
          << "piece " << k;
    }
    EXPECT_NEAR(n[1]->heading, heading(from.first, from.second, to.first, to.second), 1e-12)
        << "the first piece keeps the uncut leg's heading";
    const node* last = n[n.size() - 2];
    EXPECT_NEAR(last->legMeters, metresBetween(unit({last->Lat, last->Lon}), b), tolerance);
    for (const node* w : n) {
      EXPECT_TRUE(w->Lon >= -180.0 && w->Lon <= 180.0) << w->wptNumber << ": " << w->Lon;
    }
  }
}

TEST(LaunchWaypoint, LiesOnTheReverseOfTheFirstLeg) {
  const double lat = 36.8;
  const double lon = -121.8;
  const auto launchFor = [&](std::vector<Position> route) {
    wptList list = listOf(route);
    prepareRoute(list, MissionParams{});
    return std::pair{*list.head(), *list.head()->nextPtr};
  };

  // Two identical waypoints first: a leg of 0 m on heading 360, not cut, timed 0; launch due south.
  {
    const auto [launch, first] = launchFor({{lat, lon}, {lat, lon}, {36.81, -121.8}});
    EXPECT_EQ(first.legMeters, 0.0);
    EXPECT_EQ(first.heading, 360.0);
    EXPECT_EQ(first.legSecs, 0.0);
    EXPECT_EQ(launch.heading, 360.0);
    EXPECT_EQ(fourDecimals(&launch), "36.7955 -121.8000");
  }
  // Due north first leg: launch due south.
  {
    const auto [launch, first] = launchFor({{lat, lon}, {36.81, lon}});
    EXPECT_EQ(first.heading, 360.0);
    EXPECT_EQ(fourDecimals(&launch), "36.7955 -121.8000");
  }
  // Due south first leg (180.000152): reverse 0.000152, a hair east of due north.
  {
    const auto [launch, first] = launchFor({{lat, lon}, {36.79, lon}});
    EXPECT_NEAR(first.heading, 180.000152, 1e-6);
    EXPECT_EQ(fourDecimals(&launch), "36.8045 -121.8000");
    EXPECT_GT(launch.Lon, lon + 1e-9);
  }
  // A first-leg heading of exactly 180.0 reverses to 0.0, not 360.0. The two differ in the last
  // bits of the longitude, since newLatLon's pi is not exact.
  {
    double lon0 = 0.0;
    double lon360 = 0.0;
    double ignored = 0.0;
    newLatLon(lat, lon, 0.0, 500.0, ignored, lon0);
    newLatLon(lat, lon, 360.0, 500.0, ignored, lon360);
    ASSERT_NE(lon0, lon360);

    wptList list = listOf({{lat, lon}, {36.79, lon}});
    itemizeList(list);
    list.head()->legMeters = 1111.95;
    list.head()->heading = 180.0;
    EXPECT_EQ(launch_waypoint(list, MissionParams::LAUNCH_OFFSET), 0);
    const node& launch = *list.head();
    EXPECT_EQ(launch.Lon, lon0);
    EXPECT_EQ(fourDecimals(&launch), "36.8045 -121.8000");
    EXPECT_EQ(launch.heading, 180.0) << "the launch leg shares the first leg's heading";
    EXPECT_EQ(launch.legMeters, 500.0);
    EXPECT_EQ(launch.legSecs, 650.0);
    EXPECT_EQ(launch.wptNumber, 0);
    EXPECT_TRUE(linkedBothWays(list));
  }
}

TEST(CalcMissionTime, OfAnEmptyListIsMinusOneAndLeavesTheTotalsAlone) {
  const wptList empty;
  RouteTotals untouched{1.0, 2.0};
  EXPECT_EQ(calcMissionTime(empty, untouched), -1.0);
  EXPECT_EQ(untouched.surveyLineMeters, 1.0);
}

}  // namespace
}  // namespace nurvo
