#include "areaFile.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <cmath>
#include <optional>
#include <span>

#include "message.h"
#include "nurvoError.h"
#include "routeImport.h"
#include "waypointFile.h"

namespace nurvo {

namespace {

// The polygons and points of file `name`, as its format's reader gives them. The waypoints of a
// plain file are the outer ring of one polygon, and its reader's messages serve both.
std::vector<PolygonShape> fileShapes(const std::string& name, const char* what,
                                     const InputFormatRow& format) {
  wptList waypoints;
  std::vector<PolygonShape> shapes;
  const TextReader readShapes = [&](std::string_view bytes) {
    shapes = importPolygons(bytes, format.format, name);
  };
  if (!readInputFile(openWaypointFile(name).get(), name, format, waypoints, readShapes)) {
    throw NurvoError(strprintf("cannot read %s file %s\n", what, name.c_str()), {name});
  }
  if (!waypoints.empty()) {
    PolygonShape& shape = shapes.emplace_back();
    shape.feature = 1;
    GeoRing& ring = shape.rings.emplace_back();
    for (const node* n = waypoints.head(); n != nullptr; n = n->nextPtr) {
      ring.push_back({n->Lat, n->Lon});
    }
  }
  return shapes;
}

namespace bg = boost::geometry;
// Longitude unwrapped (x) and latitude (y), in degrees.
using Pt = bg::model::d2::point_xy<double>;
using DegreePolygon = bg::model::polygon<Pt>;
using Polygon = DegreePolygon;
using MultiPolygon = bg::model::multi_polygon<DegreePolygon>;

// A ring of a joined polygon in latitude and longitude. The vertices the cut made, on the meridian
// 180 and on the line between their neighbours, are left out: on the plane they would bend the
// edge by a few centimetres.
GeoRing geoRing(const Polygon::ring_type& ring) {
  GeoRing out;
  const std::size_t n = ring.size() - 1;
  for (std::size_t i = 0; i < n; ++i) {
    const Pt& p = ring[i];
    const Pt& a = ring[(i + n - 1) % n];
    const Pt& b = ring[i + 1];
    const bool onCut = std::abs(std::abs(std::remainder(p.x(), 360.0)) - 180.0) < 1e-9;
    const double chord = std::hypot(b.x() - a.x(), b.y() - a.y());
    const double off =
        std::abs((p.x() - a.x()) * (b.y() - a.y()) - (p.y() - a.y()) * (b.x() - a.x()));
    if (onCut && chord > 0.0 && off <= 1e-7 * chord && (p.x() - a.x()) * (b.x() - p.x()) > 0.0) {
      continue;
    }
    out.push_back({p.y(), wrapLongitude(p.x())});
  }
  return out;
}

// The polygons the parts of one MultiPolygon make where they meet along an edge, as nurvo's own
// export writes a polygon cut at the meridian 180: unwrapped in longitude from the first part's
// first vertex and merged. Nothing when they make as many polygons as there are parts, or when a
// part is not a valid polygon in degrees (the checks on the plane name its fault).
std::optional<std::vector<std::vector<GeoRing>>> joinedParts(std::span<const PolygonShape> parts) {
  if (parts.empty() || parts.front().rings.empty() || parts.front().rings.front().empty()) {
    return std::nullopt;
  }
  const double ref = parts.front().rings.front().front().lon;
  MultiPolygon all;
  for (const PolygonShape& part : parts) {
    DegreePolygon poly;
    for (std::size_t r = 0; r < part.rings.size(); ++r) {
      const GeoRing& ring = part.rings[r];
      if (ring.empty()) return std::nullopt;
      Polygon::ring_type& to = r == 0 ? poly.outer() : poly.inners().emplace_back();
      const std::vector<double> lons = unwrappedLongitudes(ring, ref);
      for (std::size_t i = 0; i < ring.size(); ++i) to.emplace_back(lons[i], ring[i].lat);
    }
    bg::correct(poly);
    if (!bg::is_valid(poly)) return std::nullopt;
    MultiPolygon merged;
    bg::union_(all, poly, merged);
    all = std::move(merged);
  }
  if (all.size() >= parts.size()) return std::nullopt;
  std::vector<std::vector<GeoRing>> joined;
  for (const DegreePolygon& poly : all) {
    std::vector<GeoRing>& rings = joined.emplace_back();
    rings.push_back(geoRing(poly.outer()));
    for (const Polygon::ring_type& hole : poly.inners()) rings.push_back(geoRing(hole));
  }
  return joined;
}

// The shapes of a file that are `what` (a file of nurvo's own exports gives each polygon its
// role), the parts of each MultiPolygon joined where they meet.
std::vector<PolygonShape> shapesOf(const std::string& name, const char* what) {
  std::vector<PolygonShape> read = fileShapes(name, what, inputFormatRow(formatOfFileName(name)));
  const bool roles =
      std::any_of(read.begin(), read.end(), [](const PolygonShape& s) { return !s.role.empty(); });
  if (roles) std::erase_if(read, [what](const PolygonShape& s) { return s.role != what; });
  std::vector<PolygonShape> shapes;
  for (std::size_t i = 0; i < read.size();) {
    std::size_t end = i + 1;
    while (end < read.size() && !read[i].point && !read[end].point &&
           read[end].feature == read[i].feature) {
      ++end;
    }
    const std::span<const PolygonShape> parts(read.data() + i, end - i);
    auto joined = parts.size() > 1 ? joinedParts(parts) : std::nullopt;
    if (joined) {
      for (std::vector<GeoRing>& rings : *joined) {
        shapes.push_back(read[i]);
        shapes.back().rings = std::move(rings);
      }
    } else {
      shapes.insert(shapes.end(), parts.begin(), parts.end());
    }
    i = end;
  }
  return shapes;
}

// "\"wreck B\", line 12": what the file says of a shape, empty where it says nothing.
std::string shapeWords(const PolygonShape& s) {
  std::string words = s.name.empty() ? std::string() : "\"" + s.name + "\"";
  if (s.where.line > 0) {
    words += strprintf("%sline %zu", words.empty() ? "" : ", ", s.where.line);
  }
  return words;
}

std::string noShapes(const std::string& name, const char* what, const char* shapes) {
  // A format without polygons of its own gives its routes, or its points, as polygons.
  const bool polygons = inputFormatRow(formatOfFileName(name)).readShapes != nullptr;
  return strprintf("%s file %s holds no %s\n", what, name.c_str(), polygons ? shapes : "points");
}

}  // namespace

GeoPolygon readPolygonFile(const std::string& name, const char* what) {
  std::vector<PolygonShape> shapes = shapesOf(name, what);
  std::erase_if(shapes, [](const PolygonShape& s) { return s.point; });
  if (shapes.empty() || shapes.front().rings.empty() || shapes.front().rings.front().empty()) {
    throw NurvoError(noShapes(name, what, "Polygon"), {name});
  }
  if (shapes.size() > 1) {
    std::string list;
    for (std::size_t i = 0; i < shapes.size(); ++i) {
      const std::string words = shapeWords(shapes[i]);
      const GeoRing& outer = shapes[i].rings.front();
      list +=
          strprintf("  %zu  %s%sfirst vertex %s\n", i + 1, words.c_str(), words.empty() ? "" : ", ",
                    outer.empty() ? "none" : positionText(outer.front()).c_str());
    }
    throw NurvoError(strprintf("%s file %s holds %zu polygons; an %s is one polygon (with its "
                               "holes):\n",
                               what, name.c_str(), shapes.size(), what) +
                         list,
                     {name});
  }
  return {name, std::move(shapes.front().rings)};
}

std::vector<GeoPolygon> readKeepOutFile(const std::string& name) {
  const char* what = "keep-out";
  std::vector<PolygonShape> shapes = shapesOf(name, what);
  if (shapes.empty() || (shapes.size() == 1 &&
                         (shapes.front().rings.empty() || shapes.front().rings.front().empty()))) {
    throw NurvoError(noShapes(name, what, "Polygon or Point"), {name});
  }
  std::vector<GeoPolygon> keepOuts;
  for (std::size_t i = 0; i < shapes.size(); ++i) {
    PolygonShape& s = shapes[i];
    GeoPolygon& k = keepOuts.emplace_back(GeoPolygon{name, std::move(s.rings)});
    k.point = s.point;
    if (shapes.size() > 1) {
      const std::string words = shapeWords(s);
      k.label = strprintf("%s %zu%s%s%s", s.point ? "point" : "polygon", i + 1,
                          words.empty() ? "" : " (", words.c_str(), words.empty() ? "" : ")");
    }
  }
  return keepOuts;
}

}  // namespace nurvo
