#include "freeSpaceRouter.h"

#include <cmath>
#include <functional>
#include <queue>
#include <tuple>

namespace nurvo {

namespace bgi = boost::geometry::index;

namespace {

double length(const Pt& a, const Pt& b) {
  return std::hypot(b.x() - a.x(), b.y() - a.y());
}

double orient(const Pt& o, const Pt& a, const Pt& b) {
  return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// Whether segments ab and pq have a point in common: a touch or a run along counts.
bool meets(const Pt& a, const Pt& b, const Pt& p, const Pt& q) {
  auto onSegment = [](const Pt& s, const Pt& t, const Pt& x) {
    return std::min(s.x(), t.x()) <= x.x() && x.x() <= std::max(s.x(), t.x()) &&
           std::min(s.y(), t.y()) <= x.y() && x.y() <= std::max(s.y(), t.y());
  };
  const double d1 = orient(p, q, a);
  const double d2 = orient(p, q, b);
  const double d3 = orient(a, b, p);
  const double d4 = orient(a, b, q);
  if (((d1 > 0.0 && d2 < 0.0) || (d1 < 0.0 && d2 > 0.0)) &&
      ((d3 > 0.0 && d4 < 0.0) || (d3 < 0.0 && d4 > 0.0))) {
    return true;
  }
  return (d1 == 0.0 && onSegment(p, q, a)) || (d2 == 0.0 && onSegment(p, q, b)) ||
         (d3 == 0.0 && onSegment(a, b, p)) || (d4 == 0.0 && onSegment(a, b, q));
}

void addCorners(const Polygon::ring_type& ring, std::vector<FreeSpaceRouter::Corner>& out) {
  // Rings are closed: ring[n] repeats ring[0]. The space lies to the right of every ring (outer
  // clockwise, holes counter-clockwise), so a turn to the left is a corner pointing into it.
  const std::size_t n = ring.size() - 1;
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& a = ring[(i + n - 1) % n];
    const Pt& b = ring[i];
    const Pt& c = ring[i + 1];
    if (orient(a, b, c) > 0.0) out.push_back({b, a, c});
  }
}

void addEdges(const Polygon::ring_type& ring, std::vector<Segment>& out) {
  for (std::size_t i = 0; i + 1 < ring.size(); ++i) out.emplace_back(ring[i], ring[i + 1]);
}

// The edges of `ring` moved out of the space by `slack`: each edge shifted to its left, where the
// space is not, and neighbouring edges joined where their shifted lines meet. Where the ring turns
// so sharply away from the space that they would meet far off, the join is squared off instead,
// `slack` beyond the vertex. Built here rather than by a general buffer, which may merge nearly
// collinear edges and so come nearer the ring than `slack`.
void addLooseEdges(const Polygon::ring_type& ring, double slack, std::vector<Segment>& out) {
  const std::size_t n = ring.size() - 1;
  struct Dir {
    double x;
    double y;
  };
  auto dir = [&](std::size_t i) {
    const Pt& a = ring[i % n];
    const Pt& b = ring[(i + 1) % n];
    const double len = length(a, b);
    if (len == 0.0) return Dir{0.0, 0.0};  // a repeated vertex: no direction of its own
    return Dir{(b.x() - a.x()) / len, (b.y() - a.y()) / len};
  };
  std::vector<Pt> loose;
  for (std::size_t i = 0; i < n; ++i) {
    const Dir t1 = dir(i + n - 1);
    const Dir t2 = dir(i);
    const Dir n1{-t1.y, t1.x};  // left normals
    const Dir n2{-t2.y, t2.x};
    const Pt& v = ring[i];
    const double along = 1.0 + n1.x * n2.x + n1.y * n2.y;  // 2 cos^2 of half the turn
    const double turn = t1.x * t2.y - t1.y * t2.x;         // > 0: to the left
    constexpr double longestMitre = 4.0;
    if (turn < 0.0 && along < 2.0 / (longestMitre * longestMitre)) {
      loose.emplace_back(v.x() + slack * (n1.x + t1.x), v.y() + slack * (n1.y + t1.y));
      loose.emplace_back(v.x() + slack * (n2.x - t2.x), v.y() + slack * (n2.y - t2.y));
    } else {
      loose.emplace_back(v.x() + slack * (n1.x + n2.x) / along,
                         v.y() + slack * (n1.y + n2.y) / along);
    }
  }
  for (std::size_t i = 0; i < loose.size(); ++i) {
    out.emplace_back(loose[i], loose[(i + 1) % loose.size()]);
  }
}

}  // namespace

FreeSpaceRouter::FreeSpaceRouter(const Polygon& space) {
  std::vector<Segment> edges;
  addLooseEdges(space.outer(), slack, edges);
  for (const auto& hole : space.inners()) addLooseEdges(hole, slack, edges);
  edges_ = EdgeIndex(edges.begin(), edges.end());
  edges.clear();
  addEdges(space.outer(), edges);
  for (const auto& hole : space.inners()) addEdges(hole, edges);
  boundary_ = EdgeIndex(edges.begin(), edges.end());
  addCorners(space.outer(), corners_);
  for (const auto& hole : space.inners()) addCorners(hole, corners_);
  visible_.resize(corners_.size());
  visibleKnown_.assign(corners_.size(), false);
}

bool FreeSpaceRouter::clear(const Pt& a, const Pt& b) const {
  // Every point of interest lies about `slack` or more from the loosened edges, so plain
  // floating-point sides decide.
  const Segment move(a, b);
  for (auto it = edges_.qbegin(bgi::intersects(bg::return_envelope<Box>(move)));
       it != edges_.qend(); ++it) {
    if (meets(a, b, it->first, it->second)) return false;
  }
  return true;
}

bool FreeSpaceRouter::tangent(const Pt& from, std::size_t c) const {
  // A shortest path bends at a corner only round it: the corner's two edges lie on one side of
  // the line that reaches it. An edge along that line lies on either side: a move from a line end
  // often runs along the edge it ends on, and rounding decides its side.
  const Corner& k = corners_[c];
  auto side = [&](const Pt& p) {
    const double s = orient(from, k.at, p);
    const double scale = length(from, k.at) * length(k.at, p);
    return std::abs(s) <= 1e-9 * scale ? 0 : s > 0.0 ? 1 : -1;
  };
  return side(k.before) * side(k.after) >= 0;
}

double FreeSpaceRouter::reach(const Pt& from, double dx, double dy, double len) const {
  // `from` often lies on an edge, and may then be a rounding error beyond it: the ray starts
  // `slack` behind it, so that such an edge still stops it.
  const Segment ray(Pt(from.x() - dx * slack, from.y() - dy * slack),
                    Pt(from.x() + dx * len, from.y() + dy * len));
  double best = len;
  for (auto it = boundary_.qbegin(bgi::intersects(ray)); it != boundary_.qend(); ++it) {
    const Pt& p = it->first;
    const Pt& q = it->second;
    // Solve from + t (dx, dy) = p + s (q - p) for the distance t along the ray.
    const double ex = q.x() - p.x();
    const double ey = q.y() - p.y();
    const double den = dx * ey - dy * ex;
    if (den == 0.0) continue;  // parallel: an edge along the ray does not stop it
    const double t = ((p.x() - from.x()) * ey - (p.y() - from.y()) * ex) / den;
    const double s = ((p.x() - from.x()) * dy - (p.y() - from.y()) * dx) / den;
    if (t >= -slack && s >= 0.0 && s <= 1.0) best = std::min(best, t);
  }
  // Ends on the boundary, like the ends of the lines, which moves may start from.
  return std::max(0.0, best);
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
      const Pt& p = corners_[c].at;
      const Pt& q = corners_[d].at;
      if (tangent(q, c) && tangent(p, d) && clear(p, q)) visible_[c].push_back(d);
    }
    visibleKnown_[c] = true;
  }
  return visible_[c];
}

std::optional<std::vector<Pt>> FreeSpaceRouter::corners(const Pt& a, const Pt& b) {
  if (clear(a, b)) return std::vector<Pt>{};
  // A* over the corners: node i < n is corner i, n is a, n + 1 is b. The straight distance to b
  // never overestimates, so the first time b is taken from the queue its path is the shortest.
  // Steps from a and to b are taken on trust and tested only when they come out of the queue:
  // most of the corners a sees are never needed.
  const std::size_t n = corners_.size();
  const std::size_t start = n;
  const std::size_t goal = n + 1;
  auto at = [&](std::size_t i) -> const Pt& {
    return i == start ? a : i == goal ? b : corners_[i].at;
  };
  struct Step {
    double estimate;  // length so far plus the straight distance left
    double sofar;
    std::size_t to;
    std::size_t from;
    bool tested;
    bool operator>(const Step& o) const {
      return std::tie(estimate, to, from) > std::tie(o.estimate, o.to, o.from);
    }
  };
  std::priority_queue<Step, std::vector<Step>, std::greater<>> open;
  std::vector<std::size_t> from(n + 2, n + 2);
  std::vector<bool> done(n + 2, false);
  auto push = [&](const Step& via, std::size_t v, bool tested) {
    const double sofar = via.sofar + length(at(via.to), at(v));
    open.push({sofar + length(at(v), b), sofar, v, via.to, tested});
  };
  const Step first{length(a, b), 0.0, start, start, true};
  for (std::size_t v = 0; v < n; ++v) {
    if (tangent(a, v)) push(first, v, false);
  }
  done[start] = true;
  while (!open.empty()) {
    const Step s = open.top();
    open.pop();
    if (done[s.to]) continue;
    if (!s.tested && !clear(at(s.from), at(s.to))) continue;
    done[s.to] = true;
    from[s.to] = s.from;
    if (s.to == goal) break;
    for (const std::size_t v : visibleFrom(s.to)) {
      if (!done[v]) push(s, v, true);
    }
    if (tangent(b, s.to)) push(s, goal, false);
  }
  if (!done[goal]) return std::nullopt;
  return pathTo(from, start, goal);
}

std::vector<Pt> FreeSpaceRouter::pathTo(const std::vector<std::size_t>& from, std::size_t start,
                                        std::size_t goal) const {
  std::vector<Pt> path;
  for (std::size_t v = from[goal]; v != start; v = from[v]) path.push_back(corners_[v].at);
  std::reverse(path.begin(), path.end());
  return path;
}

}  // namespace nurvo
