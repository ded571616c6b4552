// The route: a doubly linked list of waypoints, and its preparation between reading and writing.
#pragma once

#include <deque>
#include <utility>
#include <vector>

#include "missionParams.h"
#include "textSink.h"
#include "waypointKind.h"

namespace nurvo {

// The most waypoints a route may hold, as read or after cutting its legs. Far beyond any real
// mission, it keeps a tiny maxLegMeters from cutting a leg into billions of pieces.
constexpr std::size_t maxRouteNodes = 10'000'000;

// One waypoint of the route. The three leg fields describe the leg that leaves this node; on the
// last node they are 0.
struct node {
  node* prevPtr = nullptr;  // null on the first node
  double Lat = 0.0;         // decimal degrees, north positive
  double Lon = 0.0;         // decimal degrees, east positive
  double legMeters = 0.0;   // metres to the next node
  double heading = 0.0;     // degrees clockwise from north, in (0, 360]; 0 on the last node
  double legSecs = 0.0;     // seconds to the next node
  int wptNumber = 0;        // 0 for the launch waypoint, then 1, 2, ... in list order
  bool blank = false;       // made by cutting a leg; position still to be computed
  // What the waypoint is; `inserted` for good once cutting made it, though `blank` is cleared
  // once its position is placed, so that the check, pictures and exports tell it apart.
  WaypointKind kind = WaypointKind::survey;
  node* nextPtr = nullptr;  // null on the last node
};

// A point of a prepared route as one of nurvo's exports wrote it, to the precision written: the
// launch waypoint, a waypoint, or a point inserted by cutting a leg.
struct WrittenPoint {
  double lat = 0.0;
  double lon = 0.0;
  bool inserted = false;
};

// The list owns its nodes; they live as long as the list. No operation removes a single node, so
// every node pointer stays valid until the list is destroyed or destroyList() is called.
class wptList {
 public:
  wptList() = default;
  wptList(const wptList&) = delete;
  wptList& operator=(const wptList&) = delete;
  wptList(wptList&&) = default;
  wptList& operator=(wptList&&) = default;

  node* head() const { return headNodePtr; }
  node* tail() const { return tailNodePtr; }
  bool empty() const { return headNodePtr == nullptr; }

  // Appends a waypoint at the end, leg fields and number 0.
  void insertLatLonEnd(double latIn, double lonIn);
  // Prepends a waypoint at the head, leg fields and number 0.
  void insertLatLonBeg(double latIn, double lonIn);
  // Prepend or append a node at position 0, 0 whose leg is `legMetersIn` metres long.
  void insertBeg(double legMetersIn);
  void insertEnd(double legMetersIn);
  // Inserts a blank node after `currNodePtr`, which must have a successor. The new node carries
  // the rest of the cut leg, `smallerlegMeters`, on the heading of `currNodePtr` until
  // fillBlankLatLons gives it its own.
  node* insertNode(node* currNodePtr, double smallerlegMeters);
  // Frees every node; the list is empty afterwards.
  void destroyList();

  // A route read back from one of nurvo's exports: every point the export holds, the launch
  // waypoint first. prepareRoute takes them where making them again from the waypoints as written
  // would not give the mission the export holds. Empty for any other route.
  void setWritten(std::vector<WrittenPoint> points) { written_ = std::move(points); }
  const std::vector<WrittenPoint>& written() const { return written_; }

 private:
  node* allocate();
  void linkAtHead(node* n);
  void linkAtTail(node* n);

  std::deque<node> storage_;  // owns the nodes; a deque never moves what it holds
  node* headNodePtr = nullptr;
  node* tailNodePtr = nullptr;
  std::vector<WrittenPoint> written_;
};

// Clears the leg fields and the number of a node. Returns 1 for a null node, else 0.
int initNode(node* currNodePtr);

// Writes a node's fields as six lines, without a final line end; "No such node" for a null node.
// Returns 1 for a null node, else 0.
int displayNode(const node* currNodePtr, TextSink& out);
// Every node, first to last, or last to first; "dll is empty" for an empty list.
void displayFwd(const wptList& list, TextSink& out);
void displayRev(const wptList& list, TextSink& out);

// Route preparation, in the order prepareRoute() runs it.

// Gives every node with a successor the length and heading of its leg.
void calcLegs(wptList& list);
// How a leg longer than the maximum is cut.
enum class LegCut {
  remainder,  // pieces of exactly the maximum, then what remains (which may be very short)
  equal,      // the fewest equal pieces no longer than the maximum
};
// Cuts every leg longer than `maxLegMeters` (> 0) as `cut` says, inserting blank nodes; with
// `remainder` the remainders come from successive subtraction. One pass over the list. When the
// route would grow beyond maxRouteNodes it is left as it is and NurvoError ends the run.
void insertIfBig_legMeters(wptList& list, double maxLegMeters, LegCut cut = LegCut::remainder);
// Places every blank node on the great circle of its cut leg: the k-th node inserted into a leg
// lies k pieces from the leg's first waypoint along the leg's heading. Each inserted node then
// carries the initial heading of its own piece, from its position to the next node's; the leg's
// first waypoint keeps the heading of the uncut leg. Lengths are left as cut. Returns 0.
int fillBlankLatLons(wptList& list);
// Numbers the nodes 1, 2, 3 ... in list order.
void itemizeList(wptList& list);
// Times every leg at one second per metre; the last node keeps 0.
void calcWaypointTimes(wptList& list);
// Puts the launch waypoint, number 0, `launchOffset` metres behind the first waypoint on the
// reverse of the first leg's heading; its leg is timed at 1.3 seconds per metre. The list must not
// be empty. Returns 0.
int launch_waypoint(wptList& list, int launchOffset);
// Sums the route: sets `surveyLineMeters` and returns the total of the leg times in seconds, or
// -1.0 for an empty list.
double calcMissionTime(const wptList& list, RouteTotals& totals);

// All of the above, in order, on a list as read. Returns the route's totals. A route read back from
// an export (wptList::written) becomes the export's route when the run, cutting the waypoints as
// written, would not make the points the export holds to their four decimals (a survey's line ends
// lie between them), while the export's cut is the one the run's maxLegMeters and `cut` make within
// the rounding of the written positions: the launch waypoint and the inserted points as written,
// their legs measured between them. Otherwise the route made is kept.
RouteTotals prepareRoute(wptList& list, const MissionParams& params,
                         LegCut cut = LegCut::remainder);

}  // namespace nurvo
