#include "routeExport.h"

#include <boost/geometry.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <cmath>
#include <vector>

#include "localPlane.h"

namespace nurvo {

const char* roleName(PolygonRole role) {
  return role == PolygonRole::area ? "area" : "keep-out";
}

std::span<const GeoPoint> openRing(std::span<const GeoPoint> ring) {
  if (ring.size() > 1 && ring.front().lat == ring.back().lat &&
      ring.front().lon == ring.back().lon) {
    return ring.first(ring.size() - 1);
  }
  return ring;
}

std::string xmlEscape(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&': s += "&amp;"; break;
      case '<': s += "&lt;"; break;
      case '>': s += "&gt;"; break;
      case '"': s += "&quot;"; break;
      case '\'': s += "&apos;"; break;
      default: s += c;
    }
  }
  return s;
}

KindCounts countKinds(const wptList& route) {
  KindCounts c;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    switch (n->kind) {
      case WaypointKind::launch: ++c.launch; break;
      case WaypointKind::survey: ++c.survey; break;
      case WaypointKind::lineEnd:
      case WaypointKind::tieLineEnd: ++c.lineEnd; break;
      case WaypointKind::move: ++c.move; break;
      case WaypointKind::inserted: ++c.inserted; break;
    }
  }
  return c;
}

std::string totalsText(const RouteTotals& totals) {
  StringSink s;
  s << "total length " << fixed(totals.surveyLineMeters, 1) << " m, mission time "
    << fixed(totals.missionTime, 1) << " s (" << wholeHours(totals.missionTime) << " h "
    << leftoverMinutes(totals.missionTime) << " min)";
  return s.text;
}

std::string shapeText(const MissionParams& p) {
  StringSink s;
  s << "maxLegMeters " << fixed(p.maxLegMeters, 1) << " m; ";
  if (p.yoyoMission == 1) {
    s << "yo-yo legs " << p.missionYoyoMinDepth << '-' << p.missionYoyoMaxDepth
      << " m deep, at least " << p.yoyoMinAltitude << " m above the bottom";
  } else {
    s << "fixed-depth legs at " << fixed(p.wayPointDepth, 1) << " m";
  }
  return s.text;
}

std::string countsText(const KindCounts& c) {
  StringSink s;
  s << c.all() << " waypoints: launch 0, ";
  if (c.planned()) {
    s << c.lineEnd << " line end, " << c.move << " move, ";
  } else {
    s << c.survey << " survey, ";
  }
  s << c.inserted << " inserted";
  return s.text;
}

namespace {

// Positions carry the four decimals of the mission files: the exports show where the vehicle is
// sent, not more precisely than it is told.
void lonLat(TextSink& out, const node& n) {
  out << fixed(n.Lon, 4) << ',' << fixed(n.Lat, 4);
}

// "next leg 3600.0 m, heading 90.0 deg, 3600.0 s", or "end of the route" on the last waypoint.
void legText(TextSink& out, const node& n) {
  if (n.nextPtr == nullptr) {
    out << "end of the route";
    return;
  }
  out << "next leg " << fixed(n.legMeters, 1) << " m, heading " << fixed(n.heading, 1) << " deg, "
      << fixed(n.legSecs, 1) << " s";
}

// GPX longitudes lie in [-180, 180): the meridian 180 is written as -180, the same line.
std::string gpxLongitude(double lon) {
  StringSink s;
  s << fixed(lon, 4);
  return s.text == "180.0000" ? "-180.0000" : s.text;
}

// KML style ids: a kind's name without its space.
const char* styleId(WaypointKind kind) {
  return kind == WaypointKind::lineEnd ? "lineEnd" : kindName(kind);
}

// Polygon vertices keep the precision of the file that gave them, to a few centimetres.
constexpr int polygonDecimals = 7;

// A closed ring as GeoJSON positions or KML coordinates: the first point repeated at the end.
template <typename Point>
void closedRing(TextSink& out, std::span<const GeoPoint> ring, Point point) {
  const std::span<const GeoPoint> open = openRing(ring);
  if (open.empty()) return;
  for (std::size_t i = 0; i <= open.size(); ++i) point(out, open[i % open.size()], i == 0);
}

std::string description(const ExportInput& in) {
  return countsText(countKinds(in.route)) + "; " + totalsText(in.totals) + "; " +
         shapeText(in.params);
}

}  // namespace

void renderGpx(TextSink& out, const ExportInput& in) {
  const std::string name = xmlEscape(in.stamp);
  const std::string desc = xmlEscape(description(in));
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<gpx version=\"1.1\" creator=\"nurvo " NURVO_VERSION
         "\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
  out << "  <metadata>\n    <name>" << name << "</name>\n    <desc>" << desc
      << "</desc>\n  </metadata>\n";
  out << "  <rte>\n    <name>" << name << "</name>\n    <desc>" << desc << "</desc>\n";
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) {
    const char* kind = kindName(n->kind);
    out << "    <rtept lat=\"" << fixed(n->Lat, 4) << "\" lon=\"" << gpxLongitude(n->Lon)
        << "\"><name>" << n->wptNumber << "</name><desc>" << kind << "; ";
    legText(out, *n);
    out << "</desc><type>" << kind << "</type></rtept>\n";
  }
  out << "  </rte>\n</gpx>\n";
}

namespace {

// The document's head: its name and the description every export shares.
void kmlHead(TextSink& out, const ExportInput& in, const std::string& name) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n";
  out << "<name>" << name << "</name>\n";
  out << "<description>" << xmlEscape(description(in)) << "</description>\n";
}

// The styles of the route, of each kind of waypoint the route holds, and of the polygons if any.
void kmlStyles(TextSink& out, const ExportInput& in) {
  // KML colours are alpha, blue, green, red.
  out << "<Style id=\"route\"><LineStyle><color>ffd07030</color><width>3</width></LineStyle>"
         "</Style>\n"
         "<Style id=\"launch\"><IconStyle><color>ff3a9d2a</color><scale>1.3</scale></IconStyle>"
         "</Style>\n"
         "<Style id=\"survey\"><IconStyle><color>ffd07030</color><scale>1.0</scale></IconStyle>"
         "</Style>\n"
         "<Style id=\"inserted\"><IconStyle><color>ff909090</color><scale>0.6</scale></IconStyle>"
         "<LabelStyle><scale>0.7</scale></LabelStyle></Style>\n";
  if (countKinds(in.route).planned()) {
    out << "<Style id=\"lineEnd\"><IconStyle><color>ffd07030</color><scale>1.0</scale>"
           "</IconStyle></Style>\n"
           "<Style id=\"move\"><IconStyle><color>ff2a90e0</color><scale>0.8</scale></IconStyle>"
           "</Style>\n";
  }
  if (!in.polygons.empty()) {
    out << "<Style id=\"area\"><LineStyle><color>ffdcb38f</color><width>1</width></LineStyle>"
           "<PolyStyle><color>40fae3c8</color></PolyStyle></Style>\n"
           "<Style id=\"keep-out\"><LineStyle><color>ff4d50c0</color><width>2</width></LineStyle>"
           "<PolyStyle><color>804d50c0</color></PolyStyle></Style>\n";
  }
}

// A polygon as a placemark: its outer boundary, then its holes.
void kmlPolygon(TextSink& out, const DrawnPolygon& poly) {
  const char* role = roleName(poly.role);
  out << "<Placemark><name>" << role << "</name><styleUrl>#" << role
      << "</styleUrl><ExtendedData><Data name=\"role\"><value>" << role
      << "</value></Data></ExtendedData>\n<Polygon>";
  for (std::size_t r = 0; r < poly.rings.size(); ++r) {
    const char* boundary = r == 0 ? "outerBoundaryIs" : "innerBoundaryIs";
    out << '<' << boundary << "><LinearRing><coordinates>\n";
    closedRing(out, poly.rings[r], [](TextSink& o, const GeoPoint& p, bool) {
      o << fixed(p.lon, polygonDecimals) << ',' << fixed(p.lat, polygonDecimals) << '\n';
    });
    out << "</coordinates></LinearRing></" << boundary << '>';
  }
  out << "</Polygon></Placemark>\n";
}

// The route as one line through every waypoint, drawn along the ground.
void kmlRouteLine(TextSink& out, const wptList& route, const std::string& name) {
  out << "<Placemark><name>Route " << name << "</name><styleUrl>#route</styleUrl>\n";
  out << "<LineString><tessellate>1</tessellate><coordinates>\n";
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    lonLat(out, *n);
    out << '\n';
  }
  out << "</coordinates></LineString></Placemark>\n";
}

// A waypoint as a placemark: its number, its kind and the leg that leaves it.
void kmlWaypoint(TextSink& out, const node& n) {
  const char* kind = kindName(n.kind);
  out << "<Placemark><name>" << n.wptNumber << "</name><styleUrl>#" << styleId(exportedKind(n.kind))
      << "</styleUrl><ExtendedData>";
  out << "<Data name=\"number\"><value>" << n.wptNumber << "</value></Data>";
  out << "<Data name=\"kind\"><value>" << kind << "</value></Data>";
  if (n.nextPtr != nullptr) {
    out << "<Data name=\"legMeters\"><value>" << fixed(n.legMeters, 1) << "</value></Data>";
    out << "<Data name=\"legHeading\"><value>" << fixed(n.heading, 1) << "</value></Data>";
    out << "<Data name=\"legSeconds\"><value>" << fixed(n.legSecs, 1) << "</value></Data>";
  }
  out << "</ExtendedData><Point><coordinates>";
  lonLat(out, n);
  out << "</coordinates></Point></Placemark>\n";
}

}  // namespace

void renderKml(TextSink& out, const ExportInput& in) {
  const std::string name = xmlEscape(in.stamp);
  kmlHead(out, in, name);
  kmlStyles(out, in);
  // The polygons first, so that viewers draw the route over them.
  for (const DrawnPolygon& poly : in.polygons) kmlPolygon(out, poly);
  kmlRouteLine(out, in.route, name);
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) kmlWaypoint(out, *n);
  out << "</Document>\n</kml>\n";
}

namespace {

struct LonLat {
  double lon, lat;
  bool crossing = false;  // where a leg meets the antimeridian, not a waypoint
};

// The route's line, cut where a leg crosses the antimeridian: each piece
// ends on the meridian 180 of its side and the next piece starts at the same latitude on the other
// side. One piece when the route stays on one side.
std::vector<std::vector<LonLat>> antimeridianPieces(const wptList& route) {
  std::vector<std::vector<LonLat>> pieces(1);
  const auto add = [&](LonLat p) {
    std::vector<LonLat>& piece = pieces.back();
    if (piece.empty() || piece.back().lon != p.lon || piece.back().lat != p.lat) {
      piece.push_back(p);
    }
  };
  LonLat prev{};
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    const LonLat p{n->Lon, n->Lat};
    if (n != route.head() && std::fabs(p.lon - prev.lon) > 180.0) {
      // The leg runs the short way round: eastward when the longitude jumps down.
      const double side = p.lon < prev.lon ? 180.0 : -180.0;
      const double span = p.lon + 2.0 * side - prev.lon;
      const double t = span == 0.0 ? 0.0 : (side - prev.lon) / span;
      const double lat = prev.lat + t * (p.lat - prev.lat);
      add({side, lat, true});
      if (pieces.back().size() < 2) pieces.back().clear();  // the leg started on the meridian
      if (!pieces.back().empty()) pieces.emplace_back();
      add({-side, lat, true});
    }
    add(p);
    prev = p;
  }
  if (pieces.back().size() < 2) pieces.pop_back();
  return pieces;
}

namespace bg = boost::geometry;
// Longitude (unwrapped where a polygon crosses the antimeridian) and latitude, in degrees.
using LonLatPoint = bg::model::d2::point_xy<double>;
// Outer rings counter-clockwise and holes clockwise, as GeoJSON's right-hand rule asks.
using LonLatPolygon = bg::model::polygon<LonLatPoint, false>;

// A polygon as GeoJSON wants it: in two parts where it crosses the antimeridian, each cut along
// the meridian 180 of its side, and its rings turning by the right-hand rule. Longitudes are
// unwrapped from vertex to vertex (each edge runs the short way round), holes from the outer
// ring's first vertex.
std::vector<LonLatPolygon> geoJsonParts(const DrawnPolygon& poly) {
  LonLatPolygon whole;
  double ref = 0.0;
  for (std::size_t r = 0; r < poly.rings.size(); ++r) {
    const std::span<const GeoPoint> ring = openRing(poly.rings[r]);
    if (ring.empty()) continue;
    if (r == 0) ref = ring.front().lon;
    std::vector<LonLatPoint>& to = r == 0 ? whole.outer() : whole.inners().emplace_back();
    const std::vector<double> lons = unwrappedLongitudes(ring, ref);
    for (std::size_t i = 0; i < ring.size(); ++i) to.emplace_back(lons[i], ring[i].lat);
  }
  bg::correct(whole);
  // The holes lie inside the outer ring: its longitudes span the polygon's.
  double west = INFINITY;
  double east = -INFINITY;
  for (const LonLatPoint& p : whole.outer()) {
    west = std::min(west, p.x());
    east = std::max(east, p.x());
  }
  if (west >= -180.0 && east <= 180.0) return {whole};
  // The part beyond the meridian 180 moves a whole turn back onto the map.
  const double cut = east > 180.0 ? 180.0 : -180.0;
  const double shift = east > 180.0 ? -360.0 : 360.0;
  using Box = bg::model::box<LonLatPoint>;
  const Box nearSide =
      cut > 0.0 ? Box({west, -90.0}, {cut, 90.0}) : Box({cut, -90.0}, {east, 90.0});
  const Box farSide = cut > 0.0 ? Box({cut, -90.0}, {east, 90.0}) : Box({west, -90.0}, {cut, 90.0});
  bg::model::multi_polygon<LonLatPolygon> near;
  bg::model::multi_polygon<LonLatPolygon> beyond;
  bg::intersection(whole, nearSide, near);
  bg::intersection(whole, farSide, beyond);
  std::vector<LonLatPolygon> parts(near.begin(), near.end());
  for (LonLatPolygon& part : beyond) {
    bg::for_each_point(part, [shift](LonLatPoint& p) { p.x(p.x() + shift); });
    parts.push_back(std::move(part));
  }
  return parts;
}

void geoJsonRing(TextSink& out, const std::vector<LonLatPoint>& ring) {
  for (std::size_t i = 0; i < ring.size(); ++i) {
    out << (i == 0 ? "[" : ",[") << fixed(ring[i].x(), polygonDecimals) << ','
        << fixed(ring[i].y(), polygonDecimals) << ']';
  }
}

void geoJsonPolygon(TextSink& out, const LonLatPolygon& poly) {
  out << "\n[";
  geoJsonRing(out, poly.outer());
  out << ']';
  for (const auto& hole : poly.inners()) {
    out << ",\n[";
    geoJsonRing(out, hole);
    out << ']';
  }
}

// The route feature's properties: the stamp, the waypoints of each kind, the totals and the
// parameters that shaped the legs.
void geoJsonRouteProperties(TextSink& out, const ExportInput& in) {
  const MissionParams& p = in.params;
  const KindCounts counts = countKinds(in.route);
  out << "{\"type\":\"Feature\",\"properties\":{\"name\":\"route\",\"stamp\":\"" << in.stamp
      << "\",\"waypoints\":" << counts.all();
  if (counts.planned()) {
    out << ",\"lineEnd\":" << counts.lineEnd << ",\"move\":" << counts.move;
  } else {
    out << ",\"survey\":" << counts.survey;
  }
  out << ",\"inserted\":" << counts.inserted
      << ",\"totalMeters\":" << fixed(in.totals.surveyLineMeters, 1)
      << ",\"missionSeconds\":" << fixed(in.totals.missionTime, 1)
      << ",\"maxLegMeters\":" << fixed(p.maxLegMeters, 1) << ',';
  if (p.yoyoMission == 1) {
    out << "\"depthMode\":\"yo-yo\",\"yoyoMinDepth\":" << p.missionYoyoMinDepth
        << ",\"yoyoMaxDepth\":" << p.missionYoyoMaxDepth
        << ",\"yoyoMinAltitude\":" << p.yoyoMinAltitude << "},";
  } else {
    out << "\"depthMode\":\"fixed\",\"depth\":" << fixed(p.wayPointDepth, 1) << "},";
  }
}

// The route feature's geometry: one line, or one per side where the route crosses the antimeridian.
void geoJsonRouteGeometry(TextSink& out, const wptList& route) {
  const std::vector<std::vector<LonLat>> pieces = antimeridianPieces(route);
  const bool split = pieces.size() > 1;
  out << (split ? "\"geometry\":{\"type\":\"MultiLineString\",\"coordinates\":["
                : "\"geometry\":{\"type\":\"LineString\",\"coordinates\":");
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    out << (i == 0 ? "[" : ",\n[");
    for (std::size_t j = 0; j < pieces[i].size(); ++j) {
      const LonLat q = pieces[i][j];
      if (j > 0) out << ',';
      // A crossing is a computed point: seven decimals, the most that GeoJSON readers expect.
      const int decimals = q.crossing ? 7 : 4;
      out << '[' << fixed(q.lon, decimals) << ',' << fixed(q.lat, decimals) << ']';
    }
    out << ']';
  }
  out << (split ? "]}}" : "}}");
}

// A waypoint feature: its number, its kind and the leg that leaves it (null on the last).
void geoJsonWaypoint(TextSink& out, const node& n) {
  out << ",\n{\"type\":\"Feature\",\"properties\":{\"number\":" << n.wptNumber << ",\"kind\":\""
      << kindName(n.kind) << "\",";
  if (n.nextPtr != nullptr) {
    out << "\"legMeters\":" << fixed(n.legMeters, 1) << ",\"legHeading\":" << fixed(n.heading, 1)
        << ",\"legSeconds\":" << fixed(n.legSecs, 1) << '}';
  } else {
    out << "\"legMeters\":null,\"legHeading\":null,\"legSeconds\":null}";
  }
  out << ",\"geometry\":{\"type\":\"Point\",\"coordinates\":[";
  lonLat(out, n);
  out << "]}}";
}

// A polygon feature with its role: a Polygon, or a MultiPolygon where it crosses the antimeridian.
void geoJsonPolygonFeature(TextSink& out, const DrawnPolygon& poly) {
  const std::vector<LonLatPolygon> parts = geoJsonParts(poly);
  const bool cut = parts.size() > 1;
  out << ",\n{\"type\":\"Feature\",\"properties\":{\"role\":\"" << roleName(poly.role)
      << "\"},\"geometry\":{\"type\":\"" << (cut ? "MultiPolygon" : "Polygon")
      << "\",\"coordinates\":[";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (cut) out << (i == 0 ? "\n[" : ",\n[");
    geoJsonPolygon(out, parts[i]);
    if (cut) out << ']';
  }
  out << "]}}";
}

}  // namespace

void renderGeoJson(TextSink& out, const ExportInput& in) {
  out << "{\"type\":\"FeatureCollection\",\"features\":[\n";
  geoJsonRouteProperties(out, in);
  geoJsonRouteGeometry(out, in.route);
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) geoJsonWaypoint(out, *n);
  for (const DrawnPolygon& poly : in.polygons) geoJsonPolygonFeature(out, poly);
  out << "\n]}\n";
}

}  // namespace nurvo
