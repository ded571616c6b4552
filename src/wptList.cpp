#include "wptList.h"

#include <cmath>
#include <string>

#include "calcs.h"
#include "geoPoint.h"
#include "message.h"
#include "nurvoError.h"

namespace nurvo {

node* wptList::allocate() {
  return &storage_.emplace_back();
}

void wptList::linkAtHead(node* n) {
  n->prevPtr = nullptr;
  n->nextPtr = headNodePtr;
  if (headNodePtr == nullptr) {
    tailNodePtr = n;
  } else {
    headNodePtr->prevPtr = n;
  }
  headNodePtr = n;
}

void wptList::linkAtTail(node* n) {
  n->nextPtr = nullptr;
  n->prevPtr = tailNodePtr;
  if (tailNodePtr == nullptr) {
    headNodePtr = n;
  } else {
    tailNodePtr->nextPtr = n;
  }
  tailNodePtr = n;
}

void wptList::insertLatLonEnd(double latIn, double lonIn) {
  node* n = allocate();
  n->Lat = latIn;
  n->Lon = lonIn;
  linkAtTail(n);
  initNode(n);
}

void wptList::insertLatLonBeg(double latIn, double lonIn) {
  node* n = allocate();
  n->Lat = latIn;
  n->Lon = lonIn;
  linkAtHead(n);
  initNode(n);
}

void wptList::insertBeg(double legMetersIn) {
  node* n = allocate();
  linkAtHead(n);
  initNode(n);
  n->legMeters = legMetersIn;
}

void wptList::insertEnd(double legMetersIn) {
  node* n = allocate();
  linkAtTail(n);
  initNode(n);
  n->legMeters = legMetersIn;
}

node* wptList::insertNode(node* currNodePtr, double smallerlegMeters) {
  node* n = allocate();
  n->prevPtr = currNodePtr;
  n->nextPtr = currNodePtr->nextPtr;
  if (currNodePtr->nextPtr != nullptr) {
    currNodePtr->nextPtr->prevPtr = n;
  } else {
    tailNodePtr = n;
  }
  currNodePtr->nextPtr = n;
  n->legMeters = smallerlegMeters;
  n->heading = currNodePtr->heading;
  n->blank = true;
  n->kind = WaypointKind::inserted;
  return n;
}

void wptList::destroyList() {
  storage_.clear();
  headNodePtr = nullptr;
  tailNodePtr = nullptr;
  written_.clear();
}

int initNode(node* currNodePtr) {
  if (currNodePtr == nullptr) return 1;
  currNodePtr->legMeters = 0.0;
  currNodePtr->heading = 0.0;
  currNodePtr->legSecs = 0.0;
  currNodePtr->wptNumber = 0;
  return 0;
}

int displayNode(const node* currNodePtr, TextSink& out) {
  if (currNodePtr == nullptr) {
    out.line("No such node");
    return 1;
  }
  out.print("\n\nLat %.4f ", currNodePtr->Lat);
  out.print("\nLon %.4f ", currNodePtr->Lon);
  out.print("\nDistance: %.1f ", currNodePtr->legMeters);
  out.print("\nHead %.1f ", currNodePtr->heading);
  out.print("\nTime %.0f ", currNodePtr->legSecs);
  out.print("\nwptNumber %d ", currNodePtr->wptNumber);
  return 0;
}

void displayFwd(const wptList& list, TextSink& out) {
  if (list.empty()) {
    out.line("dll is empty");
    return;
  }
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    if (displayNode(n, out) == 1) out.line("\n\n***displayNode fail in displayFwd()***\n");
  }
}

void displayRev(const wptList& list, TextSink& out) {
  if (list.empty()) {
    out.line("dll is empty");
    return;
  }
  for (const node* n = list.tail(); n != nullptr; n = n->prevPtr) {
    if (displayNode(n, out) == 1) out.line("\n\n***displayNode fail in displayRev()***\n");
  }
}

void calcLegs(wptList& list) {
  for (node* n = list.head(); n != nullptr && n->nextPtr != nullptr; n = n->nextPtr) {
    const node* next = n->nextPtr;
    n->legMeters = dist(n->Lat, n->Lon, next->Lat, next->Lon);
    n->heading = heading(n->Lat, n->Lon, next->Lat, next->Lon);
  }
}

void insertIfBig_legMeters(wptList& list, double maxLegMeters, LegCut cut) {
  double nodes = 0.0;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    nodes += n->legMeters > maxLegMeters ? std::ceil(n->legMeters / maxLegMeters) : 1.0;
  }
  if (!(nodes <= static_cast<double>(maxRouteNodes))) {
    throw NurvoError(
        strprintf("maxLegMeters %g would cut the route into more than %zu waypoints%s\n",
                  maxLegMeters, maxRouteNodes, noMissionWritten));
  }
  // Each long leg is cut completely before the walk moves on: the piece that remains is the leg of
  // the node just inserted, which the walk visits next and cuts again while it is still too long.
  // The remainders come from the same successive subtraction as cutting one piece per walk would.
  for (node* n = list.head(); n != nullptr; n = n->nextPtr) {
    if (n->legMeters > maxLegMeters && cut == LegCut::equal) {
      // Every piece the same length: the walk passes over them, none being too long.
      const double pieces = std::ceil(n->legMeters / maxLegMeters);
      const double piece = n->legMeters / pieces;
      n->legMeters = piece;
      node* at = n;
      for (double k = 1.0; k < pieces; k += 1.0) at = list.insertNode(at, piece);
    } else if (n->legMeters > maxLegMeters) {
      const double smallerlegMeters = n->legMeters - maxLegMeters;
      n->legMeters = maxLegMeters;
      list.insertNode(n, smallerlegMeters);
    }
  }
}

int fillBlankLatLons(wptList& list) {
  // Each blank node is placed from the leg's first waypoint rather than from the node before it:
  // stepping from node to node on the first heading would follow a rhumb-like path that leaves the
  // great circle, by kilometres on long legs at high latitudes. Every piece but the last is as long
  // as the first, so the k-th inserted node lies k first pieces from the start.
  //
  // Once a node's position is final, the inserted node before it gets the heading of its own
  // piece: a great circle's heading changes along it, so the uncut leg's first heading would steer
  // later pieces off their course (by degrees at high latitudes, by 180 past a pole).
  const node* legStart = nullptr;
  double piecesFromStart = 0.0;
  for (node* n = list.head(); n != nullptr; n = n->nextPtr) {
    if (!n->blank) {
      legStart = n;
      piecesFromStart = 0.0;
    } else if (legStart != nullptr) {
      piecesFromStart += 1.0;
      newLatLon(legStart->Lat, legStart->Lon, legStart->heading,
                piecesFromStart * legStart->legMeters, n->Lat, n->Lon);
      n->blank = false;
    }
    node* piece = n->prevPtr;
    if (piece != nullptr && piece->kind == WaypointKind::inserted && !n->blank) {
      piece->heading = heading(piece->Lat, piece->Lon, n->Lat, n->Lon);
    }
  }
  return 0;
}

void itemizeList(wptList& list) {
  int number = 1;
  for (node* n = list.head(); n != nullptr; n = n->nextPtr) n->wptNumber = number++;
}

void calcWaypointTimes(wptList& list) {
  for (node* n = list.head(); n != nullptr && n != list.tail(); n = n->nextPtr) {
    n->legSecs = timeToNextWayPoint(n->legMeters);
  }
}

namespace {

// The launch leg is timed at 1.3 seconds per metre, more generously than the survey legs: the
// vehicle starts it from the surface and must first dive and settle.
constexpr double launchSecondsPerMeter = 1.3;

}  // namespace

int launch_waypoint(wptList& list, int launchOffset) {
  const node* first = list.head();
  const double currentLat = first->Lat;
  const double currentLon = first->Lon;
  const double headingDeg = first->heading;
  double headingDegPass = headingDeg > 180.0 ? headingDeg - 180.0 : headingDeg + 180.0;
  if (headingDeg == 180.0) headingDegPass = 0.0;
  const double distance = static_cast<double>(launchOffset);

  list.insertLatLonBeg(0.0, 0.0);
  node* launch = list.head();
  launch->kind = WaypointKind::launch;
  newLatLon(currentLat, currentLon, headingDegPass, distance, launch->Lat, launch->Lon);
  launch->legMeters = distance;
  launch->heading = headingDeg;  // the launch leg shares the first leg's heading
  launch->legSecs = distance * launchSecondsPerMeter;
  launch->wptNumber = 0;
  return 0;
}

double calcMissionTime(const wptList& list, RouteTotals& totals) {
  if (list.empty()) return -1.0;
  double legSecsSum = 0.0;
  double legMetersSum = 0.0;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    legSecsSum += n->legSecs;
    legMetersSum += n->legMeters;
  }
  totals.surveyLineMeters = legMetersSum;
  return legSecsSum;
}

namespace {

// Whether two positions are the same as the mission files and the exports write them.
bool sameWritten(GeoPoint a, GeoPoint b) {
  const GeoPoint x = writtenPosition(a), y = writtenPosition(b);
  return x.lat == y.lat && x.lon == y.lon;
}

// Whether the prepared `list` holds the points of `written`, to their four decimals, and its
// inserted points where the export has them.
bool sameAsWritten(const wptList& list, const std::vector<WrittenPoint>& written) {
  std::size_t i = 0;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr, ++i) {
    if (i == written.size()) return false;
    const WrittenPoint& w = written[i];
    if ((i > 0 && (n->kind == WaypointKind::inserted) != w.inserted) ||
        !sameWritten({n->Lat, n->Lon}, {w.lat, w.lon})) {
      return false;
    }
  }
  return i == written.size();
}

// How far, in metres, a leg measured between positions written to four decimals may be from the
// leg that was cut: each end up to 0.00005 degrees of latitude and of longitude, 7.9 m, away.
constexpr double writtenTolerance = 16.0;

// Whether the launch waypoint and the cut of `written` are what a run with `maxLegMeters` and
// `cut` makes, within the rounding of the written positions: the launch waypoint the launch offset
// from the first waypoint, each leg between waypoints in as many pieces as the run makes of it (one
// more or less where its length is a whole number of pieces), each piece as long as the cut makes
// it.
bool cutAsWritten(const std::vector<WrittenPoint>& written, double maxLegMeters, LegCut cut) {
  if (written.size() < 2 || written[1].inserted || written.back().inserted) return false;
  const auto length = [&written](std::size_t a, std::size_t b) {
    return dist(written[a].lat, written[a].lon, written[b].lat, written[b].lon);
  };
  if (std::fabs(length(0, 1) - MissionParams::LAUNCH_OFFSET) > writtenTolerance) return false;
  const auto near = [](double a, double b) { return std::fabs(a - b) <= writtenTolerance; };
  for (std::size_t start = 1; start + 1 < written.size();) {
    std::size_t end = start + 1;
    while (written[end].inserted) ++end;
    const double leg = length(start, end);
    const double pieces = static_cast<double>(end - start);
    const double made = leg > maxLegMeters ? std::ceil(leg / maxLegMeters) : 1.0;
    if (std::fabs(pieces - made) > 1.0) return false;
    if (cut == LegCut::equal &&
        (leg / pieces > maxLegMeters + writtenTolerance ||
         (pieces > 1.0 && leg / (pieces - 1.0) < maxLegMeters - writtenTolerance))) {
      return false;  // pieces too long, or fewer pieces would do
    }
    for (std::size_t i = start; i < end; ++i) {
      const double piece = length(i, i + 1);
      const bool last = i + 1 == end;
      const double expected = cut == LegCut::equal ? leg / pieces : maxLegMeters;
      if ((cut == LegCut::remainder && last) ? piece > maxLegMeters + writtenTolerance
                                             : !near(piece, expected)) {
        return false;
      }
    }
    start = end;
  }
  return true;
}

// Makes `list` the route its export holds: the launch waypoint and the inserted points as written
// with the waypoints, keeping the waypoints' kinds; legs measured between them.
void takeWrittenRoute(wptList& list) {
  const std::vector<WrittenPoint> written = list.written();
  std::vector<WaypointKind> kinds;
  for (const node* n = list.head(); n != nullptr; n = n->nextPtr) {
    if (n->prevPtr != nullptr && n->kind != WaypointKind::inserted) kinds.push_back(n->kind);
  }
  wptList route;
  std::size_t waypoint = 0;
  for (std::size_t i = 1; i < written.size(); ++i) {
    route.insertLatLonEnd(written[i].lat, written[i].lon);
    node* n = route.tail();
    if (written[i].inserted) {
      n->kind = WaypointKind::inserted;
    } else if (waypoint < kinds.size()) {
      n->kind = kinds[waypoint++];
    }
  }
  calcLegs(route);
  itemizeList(route);
  calcWaypointTimes(route);
  const node* first = route.head();
  route.insertLatLonBeg(written.front().lat, written.front().lon);
  node* launch = route.head();
  launch->kind = WaypointKind::launch;
  launch->legMeters = dist(launch->Lat, launch->Lon, first->Lat, first->Lon);
  launch->heading = first->heading;  // the launch leg shares the first leg's heading
  launch->legSecs = launch->legMeters * launchSecondsPerMeter;
  route.setWritten(written);
  list = std::move(route);
}

}  // namespace

RouteTotals prepareRoute(wptList& list, const MissionParams& params, LegCut cut) {
  RouteTotals totals;
  calcLegs(list);
  insertIfBig_legMeters(list, params.maxLegMeters, cut);
  fillBlankLatLons(list);
  itemizeList(list);
  calcWaypointTimes(list);
  launch_waypoint(list, MissionParams::LAUNCH_OFFSET);
  // An export read back is the mission it holds, not one cut again from rounded positions.
  const std::vector<WrittenPoint>& written = list.written();
  if (!written.empty() && !sameAsWritten(list, written) &&
      cutAsWritten(written, params.maxLegMeters, cut)) {
    takeWrittenRoute(list);
  }
  totals.missionTime = calcMissionTime(list, totals);
  return totals;
}

}  // namespace nurvo
