// Shortest moves inside a region of the plane that has holes: the straight move when it stays
// inside, else the shortest path, which bends only at the region's inward-pointing corners.
#pragma once

#include <boost/geometry/index/rtree.hpp>
#include <optional>
#include <vector>

#include "surveyArea.h"

namespace nurvo {

class FreeSpaceRouter {
 public:
  // `space`: the region moves may use, boundary included (a valid polygon).
  explicit FreeSpaceRouter(const Polygon& space);

  // Whether the straight move from a to b stays inside the space. Points on the boundary, or off
  // it by a rounding error, count as inside: every test runs against the boundary moved out by
  // `slack`.
  bool clear(const Pt& a, const Pt& b) const;

  // The corners of the shortest move from a to b inside the space, a and b themselves left out:
  // empty for a straight move, nothing when no move inside the space joins them. a and b must lie
  // inside the space. Corners found between calls are kept, so that many moves in one space cost
  // little more than one.
  std::optional<std::vector<Pt>> corners(const Pt& a, const Pt& b);

  // How far (metres, at most `length`) one can go from `from` in the unit direction (dx, dy)
  // before leaving the space, the boundary included; `from` must lie in the space or on its
  // boundary.
  double reach(const Pt& from, double dx, double dy, double length) const;

  static constexpr double slack = 0.001;  // metres

  // A corner of the space pointing into it, with its neighbours along the boundary.
  struct Corner {
    Pt at;
    Pt before;
    Pt after;
  };

 private:
  using Box = boost::geometry::model::box<Pt>;
  using EdgeIndex = boost::geometry::index::rtree<Segment, boost::geometry::index::rstar<16>>;
  const std::vector<std::size_t>& visibleFrom(std::size_t corner);
  // The corners of the path found, in order: `from` holds each node's predecessor, the nodes
  // numbered as corners() does, `start` and `goal` past the corners.
  std::vector<Pt> pathTo(const std::vector<std::size_t>& from, std::size_t start,
                         std::size_t goal) const;
  // Whether a path reaching corner c from `from` can bend there round the boundary.
  bool tangent(const Pt& from, std::size_t c) const;

  EdgeIndex edges_;                                // the boundary of the space moved out by `slack`
  EdgeIndex boundary_;                             // the boundary itself
  std::vector<Corner> corners_;                    // where shortest paths bend
  std::vector<std::vector<std::size_t>> visible_;  // per corner, the corners it sees
  std::vector<bool> visibleKnown_;
};

}  // namespace nurvo
