// The router's moves against a brute-force search over random areas with holes: no move it finds
// is longer than the shortest path through the rings' vertices, and each stays inside the area.
#include "freeSpaceRouter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace nurvo {
namespace {

using Line = bg::model::linestring<Pt>;

// A polygon of n vertices round `c`, each at a random angle within its sector and a random
// distance between 0.5 r and r from `c`: star-shaped, with corners pointing both ways.
Polygon starPolygon(std::mt19937& rng, const Pt& c, double r, int n) {
  std::uniform_real_distribution<double> u(0.0, 1.0);
  Polygon p;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * std::numbers::pi * (i + 0.8 * u(rng)) / n;
    const double d = r * (0.5 + 0.5 * u(rng));
    p.outer().emplace_back(c.x() + d * std::cos(a), c.y() + d * std::sin(a));
  }
  bg::correct(p);  // closed, clockwise
  return p;
}

// An area about 2 km across of 6 to 12 vertices, with 1 to 3 holes of 4 to 6 vertices, each
// inside the outer ring and apart from the others.
Polygon randomArea(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-600.0, 600.0);
  Polygon area = starPolygon(rng, Pt(0.0, 0.0), 1000.0, 6 + static_cast<int>(rng() % 7));
  std::vector<Polygon> holes;
  const std::size_t count = 1 + rng() % 3;
  for (int tries = 0; tries < 200 && holes.size() < count; ++tries) {
    const double x = u(rng);
    const Pt centre(x, u(rng));
    const Polygon hole = starPolygon(rng, centre, 250.0, 4 + static_cast<int>(rng() % 3));
    if (bg::within(hole, area) && std::all_of(holes.begin(), holes.end(), [&](const Polygon& h) {
          return bg::disjoint(hole, h);
        })) {
      holes.push_back(hole);
    }
  }
  for (const Polygon& hole : holes) area.inners().push_back(hole.outer());
  bg::correct(area);  // the holes counter-clockwise
  return area;
}

// Whether segment pq passes from one side of segment rs to the other: a touch does not count.
bool crosses(const Pt& p, const Pt& q, const Pt& r, const Pt& s) {
  auto side = [](const Pt& o, const Pt& a, const Pt& b) {
    const double d = (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
    return (d > 0.0) - (d < 0.0);
  };
  return side(p, q, r) * side(p, q, s) < 0 && side(r, s, p) * side(r, s, q) < 0;
}

// Whether the area covers segment pq: it crosses no edge and its middle lies in the area, or off
// it by a rounding error as the middle of an edge may. Random vertices put no third vertex on a
// segment between two, where this could be fooled. (bg::covered_by of the segment as a line is
// no help: it refuses some lines inside that end on a hole's vertex.)
bool covers(const Polygon& area, const Pt& p, const Pt& q) {
  bool clear = bg::distance(Pt((p.x() + q.x()) / 2.0, (p.y() + q.y()) / 2.0), area) < 1e-9;
  bg::for_each_segment(area,
                       [&](const auto& e) { clear = clear && !crosses(p, q, e.first, e.second); });
  return clear;
}

// The shortest path from a to b inside `area` through the rings' vertices, by Dijkstra over the
// graph whose edges are the straight segments that the area covers.
double bruteForceLength(const Polygon& area, const Pt& a, const Pt& b) {
  std::vector<Pt> nodes{a, b};
  auto addRing = [&](const Polygon::ring_type& r) {
    nodes.insert(nodes.end(), r.begin(), r.end() - 1);
  };
  addRing(area.outer());
  for (const auto& hole : area.inners()) addRing(hole);
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> dist(nodes.size(), inf);
  std::vector<bool> done(nodes.size(), false);
  dist[0] = 0.0;
  for (std::size_t k = 0; k < nodes.size(); ++k) {
    std::size_t u = 0;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
      if (!done[i] && (done[u] || dist[i] < dist[u])) u = i;
    }
    if (done[u] || dist[u] == inf) break;
    done[u] = true;
    for (std::size_t v = 0; v < nodes.size(); ++v) {
      if (!done[v] && covers(area, nodes[u], nodes[v])) {
        dist[v] = std::min(dist[v], dist[u] + bg::distance(nodes[u], nodes[v]));
      }
    }
  }
  return dist[1];
}

TEST(FreeSpaceRouter, MovesAreNoLongerThanTheShortestPathAndStayInside) {
  int bent = 0;
  int moves = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 rng(seed);
    const Polygon area = randomArea(rng);
    ASSERT_TRUE(bg::is_valid(area)) << "seed " << seed << ": " << bg::wkt(area);
    // The router counts as inside whatever lies within its slack of the boundary, so its moves may
    // graze a corner by that much: they are checked against the area grown by twice the slack.
    const MultiPolygon loose = grown(MultiPolygon{area}, 2.0 * FreeSpaceRouter::slack);
    FreeSpaceRouter router(area);  // one router for every move: its corners' visibility is kept
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    for (int pair = 0; pair < 5; ++pair) {
      Pt ends[2];
      for (Pt& p : ends) {
        do {
          const double x = u(rng);
          p = Pt(x, u(rng));
        } while (!bg::within(p, area));
      }
      const std::optional<std::vector<Pt>> corners = router.corners(ends[0], ends[1]);
      SCOPED_TRACE(testing::Message()
                   << "seed " << seed << " move " << pair << ": " << bg::wkt(Line{ends[0], ends[1]})
                   << " in " << bg::wkt(area));
      ASSERT_TRUE(corners.has_value());
      Line path{ends[0]};
      path.insert(path.end(), corners->begin(), corners->end());
      path.push_back(ends[1]);
      // Longer only by rounding, as both add legs between the same vertices; the router may be
      // shorter by a move that grazes a corner within its slack.
      EXPECT_LE(bg::length(path), bruteForceLength(area, ends[0], ends[1]) + 1e-6) << bg::wkt(path);
      EXPECT_TRUE(bg::covered_by(path, loose)) << bg::wkt(path);
      bent += !corners->empty();
      ++moves;
    }
  }
  // The areas are crooked enough that many moves must bend round a corner.
  EXPECT_GE(bent, moves / 4);
}

}  // namespace
}  // namespace nurvo
