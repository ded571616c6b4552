#include "surveyArea.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "message.h"
#include "numberText.h"
#include "nurvoError.h"

namespace nurvo {

namespace {

double cross(const Pt& o, const Pt& a, const Pt& b) {
  return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// Whether every point lies within `tolerance` of the line through the first point and the point
// farthest from it; `tolerance` relative to that distance when below 1e-6, else absolute.
bool onOneLine(std::span<const Pt> r, double tolerance) {
  std::size_t far = 0;
  double reach = 0.0;
  for (std::size_t i = 1; i < r.size(); ++i) {
    const double d = bg::distance(r.front(), r[i]);
    if (d > reach) {
      reach = d;
      far = i;
    }
  }
  const double allowed = tolerance < 1e-6 ? tolerance * reach : tolerance;
  for (const Pt& p : r) {
    if (std::abs(cross(r.front(), r[far], p)) > allowed * reach) return false;
  }
  return true;
}

// Bounds of one edge, for a cheap test before the exact one.
bool boxesApart(const Pt& a, const Pt& b, const Pt& c, const Pt& d) {
  return std::max(a.x(), b.x()) < std::min(c.x(), d.x()) ||
         std::max(c.x(), d.x()) < std::min(a.x(), b.x()) ||
         std::max(a.y(), b.y()) < std::min(c.y(), d.y()) ||
         std::max(c.y(), d.y()) < std::min(a.y(), b.y());
}

// A point that segments ab and cd share, if they meet: where they cross, or where they overlap an
// end of one that lies on the other.
std::optional<Pt> meetingPoint(const Pt& a, const Pt& b, const Pt& c, const Pt& d) {
  if (boxesApart(a, b, c, d) || !bg::intersects(Segment(a, b), Segment(c, d))) return std::nullopt;
  const double rx = b.x() - a.x(), ry = b.y() - a.y();
  const double sx = d.x() - c.x(), sy = d.y() - c.y();
  const double den = rx * sy - ry * sx;
  if (std::abs(den) > 1e-12 * std::hypot(rx, ry) * std::hypot(sx, sy)) {
    const double t = ((c.x() - a.x()) * sy - (c.y() - a.y()) * sx) / den;
    return Pt(a.x() + t * rx, a.y() + t * ry);
  }
  for (const Pt& p : {c, d}) {
    if (bg::distance(p, Segment(a, b)) <= 1e-9 * (1.0 + std::hypot(rx, ry))) return p;
  }
  return a;
}

// Whether segments ab and cd, which meet, only touch: at an end of one of them, or along no
// length where they lie on one line. Rings may touch so; they may not cross or share an edge.
bool onlyTouch(const Pt& a, const Pt& b, const Pt& c, const Pt& d) {
  const double rx = b.x() - a.x(), ry = b.y() - a.y();
  const double sx = d.x() - c.x(), sy = d.y() - c.y();
  const double den = rx * sy - ry * sx;
  constexpr double e = 1e-9;
  if (std::abs(den) > 1e-12 * std::hypot(rx, ry) * std::hypot(sx, sy)) {
    const double t = ((c.x() - a.x()) * sy - (c.y() - a.y()) * sx) / den;
    const double u = ((c.x() - a.x()) * ry - (c.y() - a.y()) * rx) / den;
    return t <= e || t >= 1.0 - e || u <= e || u >= 1.0 - e;
  }
  const double len2 = rx * rx + ry * ry;
  if (len2 == 0.0) return true;
  const double tc = ((c.x() - a.x()) * rx + (c.y() - a.y()) * ry) / len2;
  const double td = ((d.x() - a.x()) * rx + (d.y() - a.y()) * ry) / len2;
  return std::min(1.0, std::max(tc, td)) - std::max(0.0, std::min(tc, td)) <= e;
}

struct Ring {
  std::vector<Pt> plane;
  std::vector<Pt> degrees;
  std::vector<std::size_t> numbers;
  std::vector<GeoPoint> geo;  // as the file gives them
};

// The ring without repeated consecutive points and without its closing point (written once or
// more), on the plane and in unwrapped degrees, with each point's number in the file.
Ring cleanRing(const GeoRing& geo, const LocalPlane& plane) {
  Ring r;
  const double refLon = geo.empty() ? 0.0 : geo.front().lon;
  const auto same = [](const GeoPoint& a, const GeoPoint& b) {
    return a.lat == b.lat && a.lon == b.lon;
  };
  for (std::size_t i = 0; i < geo.size(); ++i) {
    const GeoPoint& p = geo[i];
    if (i > 0 && same(p, geo[i - 1])) continue;
    const PlanePoint q = plane.forward(p);
    r.plane.emplace_back(q.x, q.y);
    r.degrees.emplace_back(refLon + wrapLongitude(p.lon - refLon), p.lat);
    r.numbers.push_back(i + 1);
    r.geo.push_back(p);
  }
  while (r.geo.size() > 1 && same(r.geo.back(), r.geo.front())) {
    r.plane.pop_back();
    r.degrees.pop_back();
    r.numbers.pop_back();
    r.geo.pop_back();
  }
  return r;
}

std::string vertexName(const Ring& r, std::size_t i) {
  return strprintf("vertex %zu (%s)", r.numbers[i], positionText(r.geo[i]).c_str());
}

std::string edgeName(const Ring& r, std::size_t i) {
  const std::size_t next = r.numbers[(i + 1) % r.numbers.size()];
  return strprintf("edge %zu (vertex %zu to %zu)", r.numbers[i], r.numbers[i], next);
}

std::string planePosition(const LocalPlane& plane, const Pt& p) {
  return positionText(plane.inverse({p.x(), p.y()}));
}

// A point the ring passes twice, where it touches itself: the second passage named; empty when
// there is none.
std::string repeatedVertex(const Ring& r) {
  const std::size_t n = r.plane.size();
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  const auto key = [&](std::size_t i) { return std::pair(r.geo[i].lat, r.geo[i].lon); };
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return key(a) < key(b) || (key(a) == key(b) && a < b);
  });
  std::optional<std::pair<std::size_t, std::size_t>> repeat;
  for (std::size_t k = 0; k + 1 < n; ++k) {
    if (key(order[k]) != key(order[k + 1])) continue;
    if (!repeat || order[k + 1] < repeat->second) repeat = std::pair(order[k], order[k + 1]);
  }
  if (!repeat) return {};
  return strprintf("%s repeats vertex %zu; a ring passes each point once",
                   vertexName(r, repeat->second).c_str(), r.numbers[repeat->first]);
}

// An edge that turns straight back over the one before it, or crosses another edge; empty when
// there is none.
std::string edgeProblem(const Ring& r, const LocalPlane& plane) {
  const std::size_t n = r.plane.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& a = r.plane[i];
    const Pt& b = r.plane[(i + 1) % n];
    // An edge that turns straight back over the one before it.
    const Pt& c = r.plane[(i + 2) % n];
    const double ab = std::hypot(b.x() - a.x(), b.y() - a.y());
    const double bc = std::hypot(c.x() - b.x(), c.y() - b.y());
    const double dot = (b.x() - a.x()) * (c.x() - b.x()) + (b.y() - a.y()) * (c.y() - b.y());
    if (dot < 0.0 && std::abs(cross(a, b, c)) <= 1e-9 * ab * bc) {
      return edgeName(r, (i + 1) % n) + " turns back over " + edgeName(r, i) + " at " +
             vertexName(r, (i + 1) % n);
    }
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the first vertex
      if (const auto p = meetingPoint(a, b, r.plane[j], r.plane[(j + 1) % n])) {
        return edgeName(r, i) + " crosses " + edgeName(r, j) + " at " + planePosition(plane, *p);
      }
    }
  }
  return {};
}

// Whatever is wrong with a ring on its own, in words that name its vertices and edges by their
// numbers in the file and where they are; empty when the ring is good.
std::string ringProblem(const Ring& r, const LocalPlane& plane) {
  const std::size_t n = r.plane.size();
  if (n < 3) {
    std::string which;
    for (std::size_t i = 0; i < n; ++i) which += (i == 0 ? ": " : ", ") + vertexName(r, i);
    return strprintf("has %zu distinct vertices%s; a ring needs at least 3", n, which.c_str());
  }
  // A ring whose longitudes wind once round the earth goes round a pole: seen from the pole it
  // has no inside, and no plane holds it.
  double winding = 0.0;
  double latitudes = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    winding += wrapLongitude(r.geo[(i + 1) % n].lon - r.geo[i].lon);
    latitudes += r.geo[i].lat;
  }
  if (std::abs(winding) > 180.0) {
    return strprintf("goes round the %s pole; a ring must lie to one side of a pole",
                     latitudes > 0.0 ? "north" : "south");
  }
  if (std::string problem = repeatedVertex(r); !problem.empty()) return problem;
  // Points typed on one parallel or meridian lie on one line in degrees but not quite on the
  // plane; either way the ring encloses nothing.
  if (onOneLine(r.degrees, 1e-9) || onOneLine(r.plane, 0.001)) {
    std::size_t far = 0;
    for (std::size_t i = 1; i < n; ++i) {
      if (bg::distance(r.plane[0], r.plane[i]) > bg::distance(r.plane[0], r.plane[far])) far = i;
    }
    return "encloses no area: its vertices lie on one line, from " + vertexName(r, 0) + " to " +
           vertexName(r, far);
  }
  return edgeProblem(r, plane);
}

Polygon::ring_type toRing(const std::vector<Pt>& pts) {
  Polygon::ring_type ring(pts.begin(), pts.end());
  ring.push_back(pts.front());
  return ring;
}

std::string ringName(std::size_t index) {
  return index == 0 ? std::string("outer ring") : strprintf("hole %zu", index);
}

[[noreturn]] void refuse(const std::string& what, const std::string& file,
                         const std::string& problem) {
  throw NurvoError(strprintf("%s file %s: %s\n", what.c_str(), file.c_str(), problem.c_str()),
                   {file});
}

std::string position(const LocalPlane& plane, const Pt& p) {
  const GeoPoint g = plane.inverse({p.x(), p.y()});
  return strprintf("%.4f %.4f", g.lat, g.lon);
}

// Where rings `a` and `b` (closed) first meet: the edge of `a` and the point; with `crossing`,
// only where they cross or share an edge, not where they only touch.
std::optional<std::pair<std::size_t, Pt>> ringsMeet(const Polygon::ring_type& a,
                                                    const Polygon::ring_type& b,
                                                    bool crossing = false) {
  bg::model::box<Pt> boxA, boxB;
  bg::envelope(a, boxA);
  bg::envelope(b, boxB);
  if (!bg::intersects(boxA, boxB)) return std::nullopt;
  for (std::size_t i = 0; i + 1 < a.size(); ++i) {
    for (std::size_t j = 0; j + 1 < b.size(); ++j) {
      const auto p = meetingPoint(a[i], a[i + 1], b[j], b[j + 1]);
      if (p && !(crossing && onlyTouch(a[i], a[i + 1], b[j], b[j + 1]))) return std::pair(i, *p);
    }
  }
  return std::nullopt;
}

// Why rings that are each good do not make a polygon together, in words that name the rings and
// where they meet.
std::string polygonProblem(const Polygon& poly, bg::validity_failure_type failure,
                           const LocalPlane& plane) {
  std::vector<const Polygon::ring_type*> rings = {&poly.outer()};
  for (const Polygon::ring_type& hole : poly.inners()) rings.push_back(&hole);
  // Rings that cross or share an edge first; rings that only touch where nothing else is wrong
  // (touching rings that close a loop cut the area apart).
  for (const bool crossing : {true, false}) {
    for (std::size_t i = 0; i < rings.size(); ++i) {
      for (std::size_t j = i + 1; j < rings.size(); ++j) {
        const auto meet = ringsMeet(*rings[i], *rings[j], crossing);
        if (!meet) continue;
        const std::string where = planePosition(plane, meet->second);
        if (crossing) {
          return strprintf(
              "%s and %s meet along an edge or cross at %s; rings may touch only "
              "at single points",
              ringName(i).c_str(), ringName(j).c_str(), where.c_str());
        }
        if (failure == bg::failure_disconnected_interior) {
          return strprintf("the holes cut it into pieces where %s and %s meet at %s",
                           ringName(i).c_str(), ringName(j).c_str(), where.c_str());
        }
      }
    }
  }
  // Holes apart from one another's edges: one may still lie inside the other.
  for (std::size_t i = 1; i < rings.size(); ++i) {
    for (std::size_t j = 1; j < rings.size(); ++j) {
      Polygon around;
      around.outer() = *rings[i];
      bg::correct(around);
      if (i != j && bg::within(rings[j]->front(), around)) {
        return strprintf("%s lies inside %s, around %s", ringName(j).c_str(), ringName(i).c_str(),
                         planePosition(plane, rings[j]->front()).c_str());
      }
    }
  }
  return "its rings do not make one polygon";
}

// The polygon of a file, checked ring by ring and as a whole.
Polygon checkedPolygon(const std::string& what, const GeoPolygon& geo, const LocalPlane& plane) {
  const std::string label = geo.label.empty() ? std::string() : geo.label + ": ";
  Polygon poly;
  for (std::size_t k = 0; k < geo.rings.size(); ++k) {
    const Ring r = cleanRing(geo.rings[k], plane);
    const std::string problem = ringProblem(r, plane);
    if (!problem.empty()) refuse(what, geo.file, label + ringName(k) + ": " + problem);
    if (k == 0) {
      poly.outer() = toRing(r.plane);
      bg::correct(poly);
      continue;
    }
    Polygon outer;
    outer.outer() = poly.outer();
    for (std::size_t i = 0; i < r.plane.size(); ++i) {
      if (!bg::covered_by(r.plane[i], outer)) {
        refuse(what, geo.file,
               strprintf("%s%s: %s lies outside the outer ring", label.c_str(), ringName(k).c_str(),
                         vertexName(r, i).c_str()));
      }
    }
    Polygon::ring_type hole = toRing(r.plane);
    Polygon holeShape;
    holeShape.outer() = hole;
    bg::correct(holeShape);
    if (!bg::within(holeShape, outer)) {
      const auto meet = ringsMeet(hole, poly.outer());
      refuse(what, geo.file,
             label + ringName(k) + ": " +
                 (meet ? edgeName(r, meet->first) + " leaves the outer ring at " +
                             planePosition(plane, meet->second)
                       : std::string("leaves the outer ring between its vertices")));
    }
    poly.inners().push_back(std::move(hole));
  }
  bg::correct(poly);
  bg::validity_failure_type failure;
  if (!bg::is_valid(poly, failure)) {
    refuse(what, geo.file, label + polygonProblem(poly, failure, plane));
  }
  return poly;
}

// The polygon the margin draws round a point keep-out: pointsPerCircle corners outside the true
// circle of radius `radius`.
Polygon circleAround(const Pt& centre, double radius) {
  const double raised = radius / std::cos(std::numbers::pi / pointsPerCircle) + 0.001;
  Polygon circle;
  for (int i = 0; i <= pointsPerCircle; ++i) {
    // Clockwise, as the library's polygons turn; the last corner closes the ring.
    const double a = -2.0 * std::numbers::pi * (i % pointsPerCircle) / pointsPerCircle;
    circle.outer().emplace_back(centre.x() + raised * std::cos(a),
                                centre.y() + raised * std::sin(a));
  }
  return circle;
}

std::vector<GeoPoint> outerPoints(const GeoPolygon& geo) {
  if (geo.rings.empty() || geo.rings.front().empty()) return {GeoPoint{}};
  return geo.rings.front();
}

// The two often share a shore, drawn apart or written to a few decimals, and an edge along a
// parallel is not quite straight on the plane: the area may leave the operating area by up to
// shoreTolerance, and the water is the two together.
constexpr double shoreTolerance = 1.0;  // metres

// Refuses an operating area `op` that does not contain the area, naming the first vertex of the
// area outside it, or else a point where an edge leaves it between its vertices.
void checkContains(const SurveyArea& s, const GeoPolygon& area, const Polygon& op,
                   const std::string& opFile) {
  auto outside = [&](const std::string& what) {
    refuse("operating area", opFile,
           strprintf("does not contain the area of %s: %s", area.file.c_str(), what.c_str()));
  };
  const Ring r = cleanRing(area.rings.front(), s.plane);
  for (std::size_t i = 0; i < r.plane.size(); ++i) {
    if (bg::distance(r.plane[i], op) > shoreTolerance) {
      outside(strprintf("its vertex %zu (%s) lies outside", r.numbers[i],
                        position(s.plane, r.plane[i]).c_str()));
    }
  }
  Polygon areaShape;
  areaShape.outer() = s.area.outer();
  MultiPolygon beyond;
  bg::difference(areaShape, op, beyond);
  for (const Polygon& part : beyond) {
    for (const Pt& p : part.outer()) {
      if (bg::distance(p, op) > shoreTolerance) {
        outside("it leaves it between its vertices, at " + position(s.plane, p));
      }
    }
  }
}

// The area's holes, each as a polygon of its own.
std::vector<Polygon> holesOf(const Polygon& poly) {
  std::vector<Polygon> holes;
  for (const auto& ring : poly.inners()) {
    Polygon& h = holes.emplace_back();
    h.outer() = ring;
    bg::correct(h);
  }
  return holes;
}

// Refuses an island of the operating area `op` that takes water the area surveys. It may be one
// of the area's holes, drawn apart by up to shoreTolerance. An island that the area's edge cuts
// is a notch of the area sharing its shore, and computing the edge's corner in floating point
// leaves a sliver of overlap: a part no wider on average than sliverWidth is that noise.
void checkIslands(const SurveyArea& s, const GeoPolygon& area, const Polygon& op,
                  const std::vector<Polygon>& areaHoles, const std::string& opFile) {
  constexpr double sliverWidth = 0.05;  // metres
  for (std::size_t k = 0; k < op.inners().size(); ++k) {
    Polygon hole;
    hole.outer() = op.inners()[k];
    bg::correct(hole);
    MultiPolygon common;
    bg::intersection(hole, s.area, common);
    for (const Polygon& part : common) {
      if (2.0 * bg::area(part) <= sliverWidth * bg::perimeter(part)) continue;
      for (const Pt& p : part.outer()) {
        const bool shore = std::any_of(areaHoles.begin(), areaHoles.end(), [&](const Polygon& h) {
          return bg::distance(p, h) <= shoreTolerance;
        });
        if (!shore) {
          refuse("operating area", opFile,
                 strprintf("hole %zu takes in water of the area of %s, at %s", k + 1,
                           area.file.c_str(), position(s.plane, p).c_str()));
        }
      }
    }
  }
}

// The operating area less the area's holes and the keep-outs, the part that holds the free area;
// the free area itself when no operating area is given. The operating area must contain the
// area: the first vertex, edge or hole that shows it does not is named.
Polygon waterOf(const SurveyArea& s, const GeoPolygon& area, const GeoPolygon* operating) {
  if (operating == nullptr) return s.free;
  const Polygon op = checkedPolygon("operating area", *operating, s.plane);
  checkContains(s, area, op, operating->file);
  const std::vector<Polygon> areaHoles = holesOf(s.area);
  checkIslands(s, area, op, areaHoles, operating->file);
  MultiPolygon blocked = s.keepOuts;
  for (const Polygon& h : areaHoles) {
    MultiPolygon merged;
    bg::union_(blocked, h, merged);
    blocked = std::move(merged);
  }
  Polygon areaShape;
  areaShape.outer() = s.area.outer();
  MultiPolygon joined;
  bg::union_(op, areaShape, joined);
  MultiPolygon parts;
  bg::difference(joined, blocked, parts);
  Pt inside(0.0, 0.0);
  bg::point_on_surface(s.free, inside);
  for (Polygon& part : parts) {
    if (bg::covered_by(inside, part)) return std::move(part);
  }
  return s.free;
}

// Refuses an area that holds a pole, where lines of a heading do not exist, or that is more
// than maxAreaAcross wide.
void checkExtent(const Polygon& poly, const LocalPlane& plane, const std::string& file) {
  for (const double poleLat : {90.0, -90.0}) {
    const PlanePoint pole = plane.forward({poleLat, 0.0});
    if (bg::covered_by(Pt(pole.x, pole.y), poly.outer())) {
      refuse("area", file,
             strprintf("reaches the %s pole, where lines of a heading do not exist",
                       poleLat > 0 ? "north" : "south"));
    }
  }
  Polygon::ring_type hull;
  bg::convex_hull(poly.outer(), hull);
  double across = 0.0;
  for (const Pt& p : hull) {
    for (const Pt& q : hull) across = std::max(across, bg::distance(p, q));
  }
  if (across > maxAreaAcross) {
    refuse("area", file,
           strprintf("is %.1f km across; an area may be at most %.0f km across", across / 1000.0,
                     maxAreaAcross / 1000.0));
  }
}

// The keep-outs on the plane, each grown by `margin` (a point into a circle of it), merged.
MultiPolygon keepOutShapes(std::span<const GeoPolygon> keepOuts, double margin,
                           const LocalPlane& plane) {
  MultiPolygon keep;
  for (const GeoPolygon& k : keepOuts) {
    MultiPolygon one;
    if (k.point) {
      const GeoPoint at = k.rings.front().front();
      if (margin <= 0.0) {
        const std::string which = k.label.empty() ? std::string("point") : k.label;
        refuse("keep-out", k.file,
               which + " at " + positionText(at) +
                   ": a point is kept clear by the margin, and --keep-out-margin is 0");
      }
      const PlanePoint q = plane.forward(at);
      one.push_back(circleAround(Pt(q.x, q.y), margin));
    } else {
      one.push_back(checkedPolygon("keep-out", k, plane));
      if (margin > 0.0) one = grown(one, margin);
    }
    MultiPolygon merged;
    bg::union_(keep, one, merged);
    keep = std::move(merged);
  }
  return keep;
}

// The area less the keep-outs: one connected part, slivers left out.
Polygon freePart(const Polygon& poly, const MultiPolygon& keep, const LocalPlane& plane,
                 const std::string& file) {
  MultiPolygon parts;
  bg::difference(poly, keep, parts);
  // Slivers left where a margin grazes the edge are no place to survey.
  std::erase_if(parts, [](const Polygon& p) { return bg::area(p) < 1.0; });
  if (parts.empty()) {
    refuse("area", file, "the keep-outs and their margin leave nothing to survey");
  }
  if (parts.size() > 1) {
    std::string names;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      Pt inside(0.0, 0.0);
      bg::point_on_surface(parts[i], inside);
      names += strprintf("%s part %zu around %s (%.3f km2)", i == 0 ? "" : ";", i + 1,
                         position(plane, inside).c_str(), bg::area(parts[i]) / 1e6);
    }
    refuse("area", file,
           strprintf("the keep-outs and their margin cut it into %zu parts that no move inside "
                     "it can join:%s",
                     parts.size(), names.c_str()));
  }
  return parts.front();
}

}  // namespace

GeoRing circleRing(const GeoPoint& centre, double radius) {
  const LocalPlane plane(centre);
  GeoRing ring;
  const Polygon circle = circleAround(Pt(0.0, 0.0), radius);
  for (const Pt& p : circle.outer()) {
    ring.push_back(plane.inverse({p.x(), p.y()}));
  }
  return ring;
}

MultiPolygon grown(const MultiPolygon& poly, double distance) {
  namespace sb = bg::strategy::buffer;
  const double raised = distance / std::cos(std::numbers::pi / pointsPerCircle) + 0.001;
  MultiPolygon out;
  bg::buffer(poly, out, sb::distance_symmetric<double>(raised), sb::side_straight(),
             sb::join_round(pointsPerCircle), sb::end_round(pointsPerCircle),
             sb::point_circle(pointsPerCircle));
  return out;
}

SurveyArea prepareSurveyArea(const GeoPolygon& area, std::span<const GeoPolygon> keepOuts,
                             double margin, const GeoPolygon* operatingArea) {
  const std::vector<GeoPoint> outer = outerPoints(area);
  SurveyArea s;
  s.plane = LocalPlane(centreOf(outer));
  s.margin = margin;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    if (std::abs(outer[i].lat) >= 90.0) {
      refuse("area", area.file,
             strprintf("vertex %zu (%s) lies on a pole", i + 1, positionText(outer[i]).c_str()));
    }
  }
  s.area = checkedPolygon("area", area, s.plane);
  checkExtent(s.area, s.plane, area.file);
  s.keepOuts = keepOutShapes(keepOuts, margin, s.plane);
  s.free = freePart(s.area, s.keepOuts, s.plane, area.file);
  s.water = waterOf(s, area, operatingArea);
  return s;
}

}  // namespace nurvo
