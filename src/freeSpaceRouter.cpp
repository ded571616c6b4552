#include "freeSpaceRouter.h"

#include <cmath>
#include <functional>
#include <queue>

namespace nurvo {

namespace bgi = boost::geometry::index;

namespace {

void addCorners(const Polygon::ring_type& ring, std::vector<Pt>& out) {
  // Rings are closed: ring[n] repeats ring[0]. The space lies to the right of every ring (outer
  // clockwise, holes counter-clockwise), so a turn to the left is a corner pointing into it.
  const std::size_t n = ring.size() - 1;
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& a = ring[(i + n - 1) % n];
    const Pt& b = ring[i];
    const Pt& c = ring[i + 1];
    const double turn = (b.x() - a.x()) * (c.y() - b.y()) - (b.y() - a.y()) * (c.x() - b.x());
    if (turn > 0.0) out.push_back(b);
  }
}

void addEdges(const Polygon::ring_type& ring, std::vector<Segment>& out) {
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) out.emplace_back(ring[i], ring[i + 1]);
}

double length(const Pt& a, const Pt& b) {
  return std::hypot(b.x() - a.x(), b.y() - a.y());
}

}  // namespace

FreeSpaceRouter::FreeSpaceRouter(const Polygon& space) {
  namespace sb = bg::strategy::buffer;
  MultiPolygon loose;
  bg::buffer(space, loose, sb::distance_symmetric<double>(slack), sb::side_straight(),
             sb::join_miter(), sb::end_flat(), sb::point_square());
  std::vector<Segment> edges;
  for (const Polygon& p : loose) {
    addEdges(p.outer(), edges);
    for (const auto& hole : p.inners()) addEdges(hole, edges);
  }
  edges_ = EdgeIndex(edges.begin(), edges.end());
  addCorners(space.outer(), corners_);
  for (const auto& hole : space.inners()) addCorners(hole, corners_);
  visible_.resize(corners_.size());
  visibleKnown_.assign(corners_.size(), false);
}

bool FreeSpaceRouter::clear(const Pt& a, const Pt& b) const {
  const Segment move(a, b);
  for (auto it = edges_.qbegin(bgi::intersects(move)); it != edges_.qend(); ++it) {
    if (bg::intersects(move, *it)) return false;
  }
  return true;
}

double FreeSpaceRouter::reach(const Pt& from, double dx, double dy, double len) const {
  const Pt to(from.x() + dx * len, from.y() + dy * len);
  const Segment ray(from, to);
  double best = len;
  for (auto it = edges_.qbegin(bgi::intersects(ray)); it != edges_.qend(); ++it) {
    const Pt& p = it->first;
    const Pt& q = it->second;
    // Solve from + t (dx, dy) = p + s (q - p) for the distance t along the ray.
    const double ex = q.x() - p.x();
    const double ey = q.y() - p.y();
    const double den = dx * ey - dy * ex;
    if (den == 0.0) continue;  // parallel: an edge along the ray does not stop it
    const double t = ((p.x() - from.x()) * ey - (p.y() - from.y()) * ex) / den;
    const double s = ((p.x() - from.x()) * dy - (p.y() - from.y()) * dx) / den;
    if (t >= 0.0 && s >= 0.0 && s <= 1.0) best = std::min(best, t);
  }
  // Stop short of the loosened boundary by its own width, so that the end lies in the space.
  return std::max(0.0, best - slack);
}

const std::vector<std::size_t>& FreeSpaceRouter::visibleFrom(std::size_t c) {
  if (!visibleKnown_[c]) {
    for (std::size_t d = 0; d < corners_.size(); ++d) {
      if (d == c) continue;
      // Visibility is symmetric: a pair already tested from the other side is not tested again.
      if (visibleKnown_[d]) {
        const auto& back = visible_[d];
        if (std::find(back.begin(), back.end(), c) != back.end()) visible_[c].push_back(d);
        continue;
      }
      if (clear(corners_[c], corners_[d])) visible_[c].push_back(d);
    }
    visibleKnown_[c] = true;
  }
  return visible_[c];
}

std::optional<std::vector<Pt>> FreeSpaceRouter::corners(const Pt& a, const Pt& b) {
  if (clear(a, b)) return std::vector<Pt>{};
  // A* over the corners: node i < n is corner i, n is a, n + 1 is b. The straight distance to b
  // never overestimates, so the first time b is taken from the queue its path is the shortest.
  const std::size_t n = corners_.size();
  const std::size_t start = n;
  const std::size_t goal = n + 1;
  auto at = [&](std::size_t i) -> const Pt& {
    return i == start ? a : i == goal ? b : corners_[i];
  };
  std::vector<double> cost(n + 2, INFINITY);
  std::vector<std::size_t> from(n + 2, n + 2);
  std::vector<signed char> seesGoal(n, -1);
  using Entry = std::pair<double, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
  cost[start] = 0.0;
  open.push({length(a, b), start});
  std::vector<bool> done(n + 2, false);
  auto relax = [&](std::size_t u, std::size_t v) {
    const double c = cost[u] + length(at(u), at(v));
    if (c < cost[v]) {
      cost[v] = c;
      from[v] = u;
      open.push({c + length(at(v), b), v});
    }
  };
  while (!open.empty()) {
    const std::size_t u = open.top().second;
    open.pop();
    if (done[u]) continue;
    done[u] = true;
    if (u == goal) break;
    if (u == start) {
      for (std::size_t v = 0; v < n; ++v) {
        if (clear(a, corners_[v])) relax(u, v);
      }
      continue;
    }
    for (const std::size_t v : visibleFrom(u)) {
      if (!done[v]) relax(u, v);
    }
    if (seesGoal[u] < 0) seesGoal[u] = clear(corners_[u], b) ? 1 : 0;
    if (seesGoal[u] == 1) relax(u, goal);
  }
  if (!done[goal]) return std::nullopt;
  std::vector<Pt> path;
  for (std::size_t v = from[goal]; v != start; v = from[v]) path.push_back(corners_[v]);
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace nurvo
