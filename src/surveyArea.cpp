#include "surveyArea.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "nurvoError.h"
#include "textSink.h"

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

std::string edgeName(std::span<const std::size_t> numbers, std::size_t i) {
  const std::size_t next = numbers[(i + 1) % numbers.size()];
  return strprintf("edge %zu (vertex %zu to %zu)", numbers[i], numbers[i], next);
}

// Bounds of one edge, for a cheap test before the exact one.
bool boxesApart(const Pt& a, const Pt& b, const Pt& c, const Pt& d) {
  return std::max(a.x(), b.x()) < std::min(c.x(), d.x()) ||
         std::max(c.x(), d.x()) < std::min(a.x(), b.x()) ||
         std::max(a.y(), b.y()) < std::min(c.y(), d.y()) ||
         std::max(c.y(), d.y()) < std::min(a.y(), b.y());
}

struct Ring {
  std::vector<Pt> plane;
  std::vector<Pt> degrees;
  std::vector<std::size_t> numbers;
};

// The ring without its closing point and repeated consecutive points, on the plane and in
// unwrapped degrees, with each point's number in the file.
Ring cleanRing(const GeoRing& geo, const LocalPlane& plane) {
  Ring r;
  const double refLon = geo.empty() ? 0.0 : geo.front().lon;
  for (std::size_t i = 0; i < geo.size(); ++i) {
    const GeoPoint& p = geo[i];
    if (i > 0 && p.lat == geo[i - 1].lat && p.lon == geo[i - 1].lon) continue;
    if (i + 1 == geo.size() && i > 0 && p.lat == geo.front().lat && p.lon == geo.front().lon) {
      continue;
    }
    const PlanePoint q = plane.forward(p);
    r.plane.emplace_back(q.x, q.y);
    r.degrees.emplace_back(refLon + wrapLongitude(p.lon - refLon), p.lat);
    r.numbers.push_back(i + 1);
  }
  return r;
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
  throw NurvoError(strprintf("%s file %s: %s\n", what.c_str(), file.c_str(), problem.c_str()));
}

std::string position(const LocalPlane& plane, const Pt& p) {
  const GeoPoint g = plane.inverse({p.x(), p.y()});
  return strprintf("%.4f %.4f", g.lat, g.lon);
}

// The polygon of a file, checked ring by ring and as a whole.
Polygon checkedPolygon(const std::string& what, const GeoPolygon& geo, const LocalPlane& plane) {
  Polygon poly;
  for (std::size_t k = 0; k < geo.rings.size(); ++k) {
    const Ring r = cleanRing(geo.rings[k], plane);
    const std::string problem = ringProblem(r.plane, r.degrees, r.numbers);
    if (!problem.empty()) refuse(what, geo.file, ringName(k) + ": " + problem);
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
               strprintf("%s: vertex %zu lies outside the outer ring", ringName(k).c_str(),
                         r.numbers[i]));
      }
    }
    Polygon::ring_type hole = toRing(r.plane);
    Polygon holeShape;
    holeShape.outer() = hole;
    bg::correct(holeShape);
    if (!bg::within(holeShape, outer)) {
      refuse(what, geo.file, ringName(k) + ": leaves the outer ring between its vertices");
    }
    poly.inners().push_back(std::move(hole));
  }
  bg::correct(poly);
  std::string reason;
  if (!bg::is_valid(poly, reason))
    refuse(what, geo.file, "the rings do not form a polygon: " + reason);
  return poly;
}

std::vector<GeoPoint> outerPoints(const GeoPolygon& geo) {
  if (geo.rings.empty() || geo.rings.front().empty()) return {GeoPoint{}};
  return geo.rings.front();
}

// The operating area less the area's holes and the keep-outs, the part that holds the free area;
// the free area itself when no operating area is given. The operating area must contain the
// area: the first vertex, edge or hole that shows it does not is named.
Polygon waterOf(const SurveyArea& s, const GeoPolygon& area, const GeoPolygon* operating) {
  if (operating == nullptr) return s.free;
  const Polygon op = checkedPolygon("operating area", *operating, s.plane);
  auto outside = [&](const std::string& what) {
    refuse("operating area", operating->file,
           strprintf("does not contain the area of %s: %s", area.file.c_str(), what.c_str()));
  };
  // The two often share a shore, drawn apart or written to a few decimals, and an edge along a
  // parallel is not quite straight on the plane: the area may leave the operating area by up to
  // shoreTolerance, and the water is the two together.
  constexpr double shoreTolerance = 1.0;  // metres
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
  // An island of the operating area may be one of the area's holes, drawn apart by up to
  // shoreTolerance, but may not take water the area surveys.
  std::vector<Polygon> areaHoles;
  for (const auto& ring : s.area.inners()) {
    Polygon& h = areaHoles.emplace_back();
    h.outer() = ring;
    bg::correct(h);
  }
  for (std::size_t k = 0; k < op.inners().size(); ++k) {
    Polygon hole;
    hole.outer() = op.inners()[k];
    bg::correct(hole);
    MultiPolygon common;
    bg::intersection(hole, s.area, common);
    for (const Polygon& part : common) {
      for (const Pt& p : part.outer()) {
        const bool shore = std::any_of(areaHoles.begin(), areaHoles.end(), [&](const Polygon& h) {
          return bg::distance(p, h) <= shoreTolerance;
        });
        if (!shore) {
          refuse("operating area", operating->file,
                 strprintf("hole %zu takes in water of the area of %s, at %s", k + 1,
                           area.file.c_str(), position(s.plane, p).c_str()));
        }
      }
    }
  }
  MultiPolygon blocked = s.keepOuts;
  for (const Polygon& h : areaHoles) {
    MultiPolygon merged;
    bg::union_(blocked, h, merged);
    blocked = std::move(merged);
  }
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

}  // namespace

std::string ringProblem(std::span<const Pt> ring, std::span<const Pt> degrees,
                        std::span<const std::size_t> numbers) {
  const std::size_t n = ring.size();
  if (n < 3) {
    return strprintf("has %zu distinct vertices; a ring needs at least 3", n);
  }
  // Points typed on one parallel or meridian lie on one line in degrees but not quite on the
  // plane; either way the ring encloses nothing.
  if (onOneLine(degrees, 1e-9) || onOneLine(ring, 0.001)) {
    return "encloses no area: its vertices lie on one line";
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& a = ring[i];
    const Pt& b = ring[(i + 1) % n];
    // An edge that turns straight back over the one before it.
    const Pt& c = ring[(i + 2) % n];
    const double ab = std::hypot(b.x() - a.x(), b.y() - a.y());
    const double bc = std::hypot(c.x() - b.x(), c.y() - b.y());
    const double dot = (b.x() - a.x()) * (c.x() - b.x()) + (b.y() - a.y()) * (c.y() - b.y());
    if (dot < 0.0 && std::abs(cross(a, b, c)) <= 1e-9 * ab * bc) {
      return edgeName(numbers, (i + 1) % n) + " turns back over " + edgeName(numbers, i);
    }
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the first vertex
      const Pt& d = ring[j];
      const Pt& e = ring[(j + 1) % n];
      if (boxesApart(a, b, d, e)) continue;
      if (bg::intersects(Segment(a, b), Segment(d, e))) {
        return edgeName(numbers, i) + " crosses " + edgeName(numbers, j);
      }
    }
  }
  return {};
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
      refuse("area", area.file, strprintf("vertex %zu lies on a pole", i + 1));
    }
  }
  s.area = checkedPolygon("area", area, s.plane);
  for (const double poleLat : {90.0, -90.0}) {
    const PlanePoint pole = s.plane.forward({poleLat, 0.0});
    if (bg::covered_by(Pt(pole.x, pole.y), s.area.outer())) {
      refuse("area", area.file,
             strprintf("reaches the %s pole, where lines of a heading do not exist",
                       poleLat > 0 ? "north" : "south"));
    }
  }
  Polygon::ring_type hull;
  bg::convex_hull(s.area.outer(), hull);
  double across = 0.0;
  for (const Pt& p : hull) {
    for (const Pt& q : hull) across = std::max(across, bg::distance(p, q));
  }
  if (across > maxAreaAcross) {
    refuse("area", area.file,
           strprintf("is %.1f km across; an area may be at most %.0f km across", across / 1000.0,
                     maxAreaAcross / 1000.0));
  }

  MultiPolygon keep;
  for (const GeoPolygon& k : keepOuts) {
    MultiPolygon one{checkedPolygon("keep-out", k, s.plane)};
    if (margin > 0.0) one = grown(one, margin);
    MultiPolygon merged;
    bg::union_(keep, one, merged);
    keep = std::move(merged);
  }
  s.keepOuts = keep;

  MultiPolygon parts;
  bg::difference(s.area, keep, parts);
  // Slivers left where a margin grazes the edge are no place to survey.
  std::erase_if(parts, [](const Polygon& p) { return bg::area(p) < 1.0; });
  if (parts.empty()) {
    refuse("area", area.file, "the keep-outs and their margin leave nothing to survey");
  }
  if (parts.size() > 1) {
    std::string names;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      Pt inside(0.0, 0.0);
      bg::point_on_surface(parts[i], inside);
      names += strprintf("%s part %zu around %s (%.3f km2)", i == 0 ? "" : ";", i + 1,
                         position(s.plane, inside).c_str(), bg::area(parts[i]) / 1e6);
    }
    refuse("area", area.file,
           strprintf("the keep-outs and their margin cut it into %zu parts that no move inside "
                     "it can join:%s",
                     parts.size(), names.c_str()));
  }
  s.free = parts.front();
  s.water = waterOf(s, area, operatingArea);
  return s;
}

}  // namespace nurvo
