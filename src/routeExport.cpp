#include "routeExport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "numberText.h"
#include "writeMission.h"

// Every number below is written through the printf family, which formats in the C locale (a
// period as the decimal mark, no grouping) until a program calls setlocale; nurvo never does, so
// the files read the same on every machine.

#ifndef NURVO_VERSION
#define NURVO_VERSION "unknown"
#endif

namespace nurvo {

namespace {

constexpr std::array<ExportFormatName, 4> formatTable = {{
    {ExportFormat::gpx, "gpx"},
    {ExportFormat::kml, "kml"},
    {ExportFormat::geojson, "geojson"},
    {ExportFormat::svg, "svg"},
}};

}  // namespace

std::span<const ExportFormatName> exportFormats() {
  return formatTable;
}

std::string exportFormatNames() {
  std::string names;
  for (const ExportFormatName& entry : formatTable) (names += entry.name) += ", ";
  return names + "all";
}

bool addExportFormats(std::string_view list, std::set<ExportFormat>& chosen, std::string& badName) {
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view name = trimBlanks(list.substr(0, comma));
    bool known = false;
    for (const ExportFormatName& entry : formatTable) {
      if (name == entry.name || name == "all") {
        chosen.insert(entry.format);
        known = true;
      }
    }
    if (!known) {
      badName = std::string(name);
      return false;
    }
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

WaypointKind kindOf(const node& n) {
  if (n.prevPtr == nullptr) return WaypointKind::launch;
  return n.inserted ? WaypointKind::inserted : WaypointKind::survey;
}

const char* kindName(WaypointKind kind) {
  switch (kind) {
    case WaypointKind::launch: return "launch";
    case WaypointKind::survey: return "survey";
    case WaypointKind::inserted: return "inserted";
  }
  return "";
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

namespace {

// ---- Text shared by the formats.

// Positions carry the four decimals of the mission files: the exports show where the vehicle is
// sent, not more precisely than it is told.
constexpr const char* lonLatFormat = "%.4f,%.4f";

struct KindCounts {
  std::size_t launch = 0, survey = 0, inserted = 0;
  std::size_t all() const { return launch + survey + inserted; }
};

KindCounts countKinds(const wptList& route) {
  KindCounts c;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    switch (kindOf(*n)) {
      case WaypointKind::launch: ++c.launch; break;
      case WaypointKind::survey: ++c.survey; break;
      case WaypointKind::inserted: ++c.inserted; break;
    }
  }
  return c;
}

// "total length 11184.5 m, mission time 11334.5 s (3 h 8 min)"
std::string totalsText(const RouteTotals& totals) {
  return strprintf("total length %.1f m, mission time %.1f s (%lld h %lld min)",
                   totals.surveyLineMeters, totals.missionTime, wholeHours(totals.missionTime),
                   leftoverMinutes(totals.missionTime));
}

// The parameters that shape the route: where legs are cut and the depth the vehicle keeps.
std::string shapeText(const MissionParams& p) {
  std::string s = strprintf("maxLegMeters %.1f m; ", p.maxLegMeters);
  if (p.yoyoMission == 1) {
    s += strprintf("yo-yo legs %d-%d m deep, at least %d m above the bottom", p.missionYoyoMinDepth,
                   p.missionYoyoMaxDepth, p.yoyoMinAltitude);
  } else {
    s += strprintf("fixed-depth legs at %.1f m", p.wayPointDepth);
  }
  return s;
}

std::string countsText(const KindCounts& c) {
  return strprintf("%zu waypoints: launch 0, %zu survey, %zu inserted", c.all(), c.survey,
                   c.inserted);
}

// "next leg 3600.0 m, heading 90.0 deg, 3600.0 s", or "end of the route" on the last waypoint.
std::string legText(const node& n) {
  if (n.nextPtr == nullptr) return "end of the route";
  return strprintf("next leg %.1f m, heading %.1f deg, %.1f s", n.legMeters, n.heading, n.legSecs);
}

}  // namespace

namespace {

// GPX longitudes lie in [-180, 180): the meridian 180 is written as -180, the same line.
std::string gpxLongitude(double lon) {
  const std::string text = strprintf("%.4f", lon);
  return text == "180.0000" ? "-180.0000" : text;
}

}  // namespace

void renderGpx(TextSink& out, const ExportInput& in) {
  const std::string name = xmlEscape(in.stamp);
  const std::string desc = xmlEscape(countsText(countKinds(in.route)) + "; " +
                                     totalsText(in.totals) + "; " + shapeText(in.params));
  out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  out.write("<gpx version=\"1.1\" creator=\"nurvo " NURVO_VERSION
            "\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n");
  out.print("  <metadata>\n    <name>%s</name>\n    <desc>%s</desc>\n  </metadata>\n", name.c_str(),
            desc.c_str());
  out.print("  <rte>\n    <name>%s</name>\n    <desc>%s</desc>\n", name.c_str(), desc.c_str());
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) {
    const char* kind = kindName(kindOf(*n));
    out.print("    <rtept lat=\"%.4f\" lon=\"%s\"><name>%d</name><desc>%s; %s</desc>", n->Lat,
              gpxLongitude(n->Lon).c_str(), n->wptNumber, kind, legText(*n).c_str());
    out.print("<type>%s</type></rtept>\n", kind);
  }
  out.write("  </rte>\n</gpx>\n");
}

void renderKml(TextSink& out, const ExportInput& in) {
  const std::string name = xmlEscape(in.stamp);
  out.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  out.write("<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<Document>\n");
  out.print("<name>%s</name>\n", name.c_str());
  out.print("<description>%s</description>\n",
            xmlEscape(countsText(countKinds(in.route)) + "; " + totalsText(in.totals) + "; " +
                      shapeText(in.params))
                .c_str());
  // KML colours are alpha, blue, green, red.
  out.write(
      "<Style id=\"route\"><LineStyle><color>ffd07030</color><width>3</width></LineStyle></Style>\n"
      "<Style id=\"launch\"><IconStyle><color>ff3a9d2a</color><scale>1.3</scale></IconStyle>"
      "</Style>\n"
      "<Style id=\"survey\"><IconStyle><color>ffd07030</color><scale>1.0</scale></IconStyle>"
      "</Style>\n"
      "<Style id=\"inserted\"><IconStyle><color>ff909090</color><scale>0.6</scale></IconStyle>"
      "<LabelStyle><scale>0.7</scale></LabelStyle></Style>\n");
  out.print("<Placemark><name>Route %s</name><styleUrl>#route</styleUrl>\n", name.c_str());
  out.write("<LineString><tessellate>1</tessellate><coordinates>\n");
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) {
    out.print(lonLatFormat, n->Lon, n->Lat);
    out.write("\n");
  }
  out.write("</coordinates></LineString></Placemark>\n");
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) {
    const char* kind = kindName(kindOf(*n));
    out.print("<Placemark><name>%d</name><styleUrl>#%s</styleUrl><ExtendedData>", n->wptNumber,
              kind);
    out.print("<Data name=\"number\"><value>%d</value></Data>", n->wptNumber);
    out.print("<Data name=\"kind\"><value>%s</value></Data>", kind);
    if (n->nextPtr != nullptr) {
      out.print("<Data name=\"legMeters\"><value>%.1f</value></Data>", n->legMeters);
      out.print("<Data name=\"legHeading\"><value>%.1f</value></Data>", n->heading);
      out.print("<Data name=\"legSeconds\"><value>%.1f</value></Data>", n->legSecs);
    }
    out.write("</ExtendedData><Point><coordinates>");
    out.print(lonLatFormat, n->Lon, n->Lat);
    out.write("</coordinates></Point></Placemark>\n");
  }
  out.write("</Document>\n</kml>\n");
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

}  // namespace

void renderGeoJson(TextSink& out, const ExportInput& in) {
  const MissionParams& p = in.params;
  const KindCounts counts = countKinds(in.route);
  out.write("{\"type\":\"FeatureCollection\",\"features\":[\n");
  out.print(
      "{\"type\":\"Feature\",\"properties\":{\"name\":\"route\",\"stamp\":\"%s\","
      "\"waypoints\":%zu,\"survey\":%zu,\"inserted\":%zu,"
      "\"totalMeters\":%.1f,\"missionSeconds\":%.1f,\"maxLegMeters\":%.1f,",
      in.stamp.c_str(), counts.all(), counts.survey, counts.inserted, in.totals.surveyLineMeters,
      in.totals.missionTime, p.maxLegMeters);
  if (p.yoyoMission == 1) {
    out.print(
        "\"depthMode\":\"yo-yo\",\"yoyoMinDepth\":%d,\"yoyoMaxDepth\":%d,\"yoyoMinAltitude\":%d},",
        p.missionYoyoMinDepth, p.missionYoyoMaxDepth, p.yoyoMinAltitude);
  } else {
    out.print("\"depthMode\":\"fixed\",\"depth\":%.1f},", p.wayPointDepth);
  }
  const std::vector<std::vector<LonLat>> pieces = antimeridianPieces(in.route);
  const bool split = pieces.size() > 1;
  out.write(split ? "\"geometry\":{\"type\":\"MultiLineString\",\"coordinates\":["
                  : "\"geometry\":{\"type\":\"LineString\",\"coordinates\":");
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    out.write(i == 0 ? "[" : ",\n[");
    for (std::size_t j = 0; j < pieces[i].size(); ++j) {
      const LonLat q = pieces[i][j];
      if (j > 0) out.write(",");
      // A crossing is a computed point: seven decimals, the most that GeoJSON readers expect.
      out.print(q.crossing ? "[%.7f,%.7f]" : "[%.4f,%.4f]", q.lon, q.lat);
    }
    out.write("]");
  }
  out.write(split ? "]}}" : "}}");
  for (const node* n = in.route.head(); n != nullptr; n = n->nextPtr) {
    out.print(",\n{\"type\":\"Feature\",\"properties\":{\"number\":%d,\"kind\":\"%s\",",
              n->wptNumber, kindName(kindOf(*n)));
    if (n->nextPtr != nullptr) {
      out.print("\"legMeters\":%.1f,\"legHeading\":%.1f,\"legSeconds\":%.1f}", n->legMeters,
                n->heading, n->legSecs);
    } else {
      out.write("\"legMeters\":null,\"legHeading\":null,\"legSeconds\":null}");
    }
    out.print(",\"geometry\":{\"type\":\"Point\",\"coordinates\":[%.4f,%.4f]}}", n->Lon, n->Lat);
  }
  out.write("\n]}\n");
}

// ---- SVG

namespace {

constexpr double canvasWidth = 900.0;
constexpr double plotLeft = 50.0;
constexpr double plotTop = 60.0;
constexpr double plotWidth = 800.0;
constexpr double plotMaxHeight = 560.0;
constexpr double plotMinHeight = 120.0;
constexpr double belowPlot = 100.0;  // the scale bar and the caption
constexpr double pi = 3.14159265358979323846;
constexpr double metresPerDegree = 6371000.0 * pi / 180.0;
// Budgets that keep the file far below svgSizeLimit: about 12 bytes per vertex of the line, 50 per
// marker; labels are bounded by the room they take on the canvas.
constexpr std::size_t lineBudget = 50'000;
constexpr std::size_t markerBudget = 5'000;
constexpr double lineTolerance = 0.5;  // pixels: what simplifying the line may move
constexpr double labelCell = 4.0;      // pixels: the grid that keeps labels apart
constexpr double digitWidth = 7.0;     // pixels per character of an 11 px label
constexpr double labelHeight = 12.0;

struct Pt {
  double x, y;
};

struct Drawn {
  Pt at;
  WaypointKind kind;
  int number;
};

// The route on the canvas: a local equirectangular projection, longitudes scaled by the cosine of
// the mid latitude, north up, the same scale both ways. Longitudes are unwrapped from the first
// waypoint on, so a route across the antimeridian is drawn in one piece.
struct Picture {
  std::vector<Drawn> points;
  double pxPerMetre = 1.0;
  double height = 0.0;  // of the whole canvas
  double plotBottom = 0.0;
};

Picture project(const wptList& route) {
  std::vector<double> lon;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    lon.push_back(n->prevPtr == nullptr
                      ? n->Lon
                      : lon.back() + std::remainder(n->Lon - n->prevPtr->Lon, 360.0));
  }
  const auto [lonMin, lonMax] = std::minmax_element(lon.begin(), lon.end());
  double latMin = route.head()->Lat, latMax = latMin;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    latMin = std::min(latMin, n->Lat);
    latMax = std::max(latMax, n->Lat);
  }
  const double cosMid = std::max(std::cos((latMin + latMax) / 2.0 * pi / 180.0), 0.01);
  const double widthM = (*lonMax - *lonMin) * cosMid * metresPerDegree;
  const double heightM = (latMax - latMin) * metresPerDegree;
  Picture pic;
  pic.pxPerMetre =
      std::min(plotWidth / std::max(widthM, 1.0), plotMaxHeight / std::max(heightM, 1.0));
  const double w = widthM * pic.pxPerMetre;
  const double h = heightM * pic.pxPerMetre;
  const double plotHeight = std::max(h, plotMinHeight);
  const double left = plotLeft + (plotWidth - w) / 2.0;
  const double top = plotTop + (plotHeight - h) / 2.0;
  pic.plotBottom = plotTop + plotHeight;
  pic.height = pic.plotBottom + belowPlot;
  std::size_t i = 0;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr, ++i) {
    const Pt at{left + (lon[i] - *lonMin) * cosMid * metresPerDegree * pic.pxPerMetre,
                top + (latMax - n->Lat) * metresPerDegree * pic.pxPerMetre};
    pic.points.push_back({at, kindOf(*n), n->wptNumber});
  }
  return pic;
}

double distanceToSegment(Pt p, Pt a, Pt b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  const double t =
      len2 == 0.0 ? 0.0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Douglas-Peucker on points[a..b]: marks in `keep` the points that the line needs to stay within
// lineTolerance of every point. Iterative, so that a leg cut into a million pieces needs no deep
// recursion.
void simplifyRun(const std::vector<Drawn>& pts, std::size_t a, std::size_t b,
                 std::vector<char>& keep) {
  std::vector<std::pair<std::size_t, std::size_t>> todo{{a, b}};
  while (!todo.empty()) {
    const auto [i, j] = todo.back();
    todo.pop_back();
    double worst = -1.0;
    std::size_t k = i;
    for (std::size_t m = i + 1; m < j; ++m) {
      const double d = distanceToSegment(pts[m].at, pts[i].at, pts[j].at);
      if (d > worst) {
        worst = d;
        k = m;
      }
    }
    if (worst > lineTolerance) {
      keep[k] = 1;
      todo.push_back({i, k});
      todo.push_back({k, j});
    }
  }
}

// At most `budget` of `indices`, evenly spread, the last one always kept; `thinned` is set when
// some are left out.
std::vector<std::size_t> evenlyThinned(std::vector<std::size_t> indices, std::size_t budget,
                                       bool& thinned) {
  if (indices.size() <= budget) return indices;
  thinned = true;
  if (budget == 0) return {};
  const std::size_t stride = (indices.size() + budget - 1) / budget;
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < indices.size(); i += stride) out.push_back(indices[i]);
  out.back() = indices.back();
  return out;
}

// The vertices of the drawn line: every waypoint of the file, the inserted points that bend the
// line by more than lineTolerance, no two within lineTolerance of each other; evenly thinned to
// lineBudget beyond that.
std::vector<std::size_t> lineVertices(const std::vector<Drawn>& pts, bool& thinned) {
  std::vector<char> keep(pts.size(), 0);
  std::size_t corner = 0;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    if (pts[i].kind != WaypointKind::inserted || i + 1 == pts.size()) {
      keep[i] = 1;
      if (i > corner + 1) simplifyRun(pts, corner, i, keep);
      corner = i;
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    if (!keep[i]) continue;
    if (!kept.empty() && i + 1 < pts.size() &&
        std::hypot(pts[i].at.x - pts[kept.back()].at.x, pts[i].at.y - pts[kept.back()].at.y) <
            lineTolerance) {
      continue;
    }
    kept.push_back(i);
  }
  return evenlyThinned(std::move(kept), lineBudget, thinned);
}

// The waypoints that get a marker, launch first, then the survey waypoints, then the inserted
// points: one marker per 2-pixel cell, the more important kind first; evenly thinned to
// markerBudget beyond that.
std::vector<std::size_t> markedWaypoints(const std::vector<Drawn>& pts, double height,
                                         bool& thinned) {
  const auto cols = static_cast<std::size_t>(canvasWidth / 2.0) + 1;
  const auto rows = static_cast<std::size_t>(height / 2.0) + 1;
  std::vector<char> taken(cols * rows, 0);
  std::vector<std::size_t> marked;
  for (const WaypointKind kind :
       {WaypointKind::launch, WaypointKind::survey, WaypointKind::inserted}) {
    std::vector<std::size_t> ofKind;
    for (std::size_t i = 0; i < pts.size(); ++i) {
      if (pts[i].kind != kind) continue;
      const auto c = std::min(static_cast<std::size_t>(std::max(pts[i].at.x / 2.0, 0.0)), cols - 1);
      const auto r = std::min(static_cast<std::size_t>(std::max(pts[i].at.y / 2.0, 0.0)), rows - 1);
      if (taken[r * cols + c]) continue;
      taken[r * cols + c] = 1;
      ofKind.push_back(i);
    }
    const std::vector<std::size_t> chosen =
        evenlyThinned(std::move(ofKind), markerBudget - marked.size(), thinned);
    marked.insert(marked.end(), chosen.begin(), chosen.end());
  }
  return marked;
}

// Labels on a grid of labelCell pixels: a label is placed right of its marker, else left of it,
// only where no other label has been placed, so labels never overlap.
class LabelPlacer {
 public:
  explicit LabelPlacer(double height)
      : cols_(static_cast<std::size_t>(canvasWidth / labelCell) + 1),
        rows_(static_cast<std::size_t>(height / labelCell) + 1),
        taken_(cols_ * rows_, 0) {}

  // The label's anchor and whether it is written leftwards, or nothing when there is no room.
  std::optional<std::pair<Pt, bool>> place(Pt at, int number) {
    const double w = digitWidth * static_cast<double>(strprintf("%d", number).size());
    const double baseline = at.y - 4.0;
    if (claim(at.x + 7.0, baseline - labelHeight + 2.0, w)) {
      return std::pair{Pt{at.x + 7.0, baseline}, false};
    }
    if (claim(at.x - 7.0 - w, baseline - labelHeight + 2.0, w)) {
      return std::pair{Pt{at.x - 7.0, baseline}, true};
    }
    return std::nullopt;
  }

 private:
  bool claim(double x, double y, double w) {
    if (x < 0.0 || y < 0.0) return false;
    const auto c0 = static_cast<std::size_t>(x / labelCell);
    const auto r0 = static_cast<std::size_t>(y / labelCell);
    const auto c1 = static_cast<std::size_t>((x + w) / labelCell);
    const auto r1 = static_cast<std::size_t>((y + labelHeight) / labelCell);
    if (c1 >= cols_ || r1 >= rows_) return false;
    for (std::size_t r = r0; r <= r1; ++r) {
      for (std::size_t c = c0; c <= c1; ++c) {
        if (taken_[r * cols_ + c]) return false;
      }
    }
    for (std::size_t r = r0; r <= r1; ++r) {
      for (std::size_t c = c0; c <= c1; ++c) taken_[r * cols_ + c] = 1;
    }
    return true;
  }

  std::size_t cols_, rows_;
  std::vector<char> taken_;
};

// The longest of 1, 2, 5 times a power of ten metres that fits in `maxPx`.
double scaleBarMetres(double pxPerMetre, double maxPx) {
  const double most = maxPx / pxPerMetre;
  double unit = std::pow(10.0, std::floor(std::log10(most)));
  for (const double m : {5.0, 2.0, 1.0}) {
    if (m * unit <= most) return m * unit;
  }
  return unit;
}

void drawMarker(TextSink& out, const Drawn& d) {
  switch (d.kind) {
    case WaypointKind::launch:
      out.print("<rect class=\"l\" x=\"%.1f\" y=\"%.1f\" width=\"10\" height=\"10\"/>\n",
                d.at.x - 5.0, d.at.y - 5.0);
      return;
    case WaypointKind::survey:
      out.print("<circle class=\"s\" cx=\"%.1f\" cy=\"%.1f\" r=\"4\"/>\n", d.at.x, d.at.y);
      return;
    case WaypointKind::inserted:
      out.print("<circle class=\"i\" cx=\"%.1f\" cy=\"%.1f\" r=\"2.5\"/>\n", d.at.x, d.at.y);
      return;
  }
}

}  // namespace

void renderSvg(TextSink& out, const ExportInput& in) {
  const Picture pic = project(in.route);
  const std::vector<Drawn>& pts = pic.points;
  const std::string stamp = xmlEscape(in.stamp);

  out.print(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
      "viewBox=\"0 0 %.0f %.0f\">\n",
      canvasWidth, pic.height, canvasWidth, pic.height);
  out.print("<title>nurvo route %s</title>\n", stamp.c_str());
  out.write(
      "<style>\n"
      "text{font-family:sans-serif;font-size:11px;fill:#222}\n"
      ".r{fill:none;stroke:#3070d0;stroke-width:2;stroke-linejoin:round;stroke-linecap:round}\n"
      ".l{fill:#2a9d3a;stroke:#14501c}\n"
      ".s{fill:#3070d0;stroke:#fff}\n"
      ".i{fill:#fff;stroke:#707070}\n"
      ".e{text-anchor:end}\n"
      ".c{font-size:13px}\n"
      ".k{stroke:#222;stroke-width:2;fill:none}\n"
      "</style>\n");
  out.print("<rect width=\"%.0f\" height=\"%.0f\" fill=\"#fff\"/>\n", canvasWidth, pic.height);

  bool thinned = false;
  const std::vector<std::size_t> line = lineVertices(pts, thinned);
  out.write("<polyline class=\"r\" points=\"");
  for (std::size_t k = 0; k < line.size(); ++k) {
    out.print(k == 0 ? "%.1f,%.1f" : " %.1f,%.1f", pts[line[k]].at.x, pts[line[k]].at.y);
  }
  out.write("\"/>\n");

  // Markers are drawn from the least to the most important kind, so launch and survey waypoints
  // lie on top; labels follow the order of importance.
  const std::vector<std::size_t> marked = markedWaypoints(pts, pic.height, thinned);
  for (auto i = marked.rbegin(); i != marked.rend(); ++i) drawMarker(out, pts[*i]);
  LabelPlacer labels(pic.height);
  for (const std::size_t i : marked) {
    if (const auto anchor = labels.place(pts[i].at, pts[i].number)) {
      out.print(anchor->second ? "<text class=\"e\" x=\"%.1f\" y=\"%.1f\">%d</text>\n"
                               : "<text x=\"%.1f\" y=\"%.1f\">%d</text>\n",
                anchor->first.x, anchor->first.y, pts[i].number);
    }
  }

  // Legend, top left; north arrow, top right.
  out.write(
      "<rect class=\"l\" x=\"45\" y=\"20\" width=\"10\" height=\"10\"/>"
      "<text x=\"60\" y=\"29\">launch</text>\n"
      "<circle class=\"s\" cx=\"120\" cy=\"25\" r=\"4\"/><text x=\"130\" y=\"29\">survey</text>\n"
      "<circle class=\"i\" cx=\"185\" cy=\"25\" r=\"2.5\"/><text x=\"195\" "
      "y=\"29\">inserted</text>\n"
      "<path class=\"k\" d=\"M860 50V14\"/><path d=\"M860 8L854 22H866Z\" fill=\"#222\"/>"
      "<text x=\"868\" y=\"22\" class=\"c\">N</text>\n");

  // Scale bar under the plot.
  const double barMetres = scaleBarMetres(pic.pxPerMetre, 200.0);
  const double barPx = barMetres * pic.pxPerMetre;
  const double barY = pic.plotBottom + 25.0;
  out.print("<path class=\"k\" d=\"M%.1f %.1fv6h%.1fv-6\"/>\n", plotLeft, barY - 6.0, barPx);
  out.print(barMetres >= 1000.0 ? "<text x=\"%.1f\" y=\"%.1f\">%g km</text>\n"
                                : "<text x=\"%.1f\" y=\"%.1f\">%g m</text>\n",
            plotLeft + barPx + 6.0, barY, barMetres >= 1000.0 ? barMetres / 1000.0 : barMetres);

  // Caption.
  const KindCounts counts = countKinds(in.route);
  out.print("<text class=\"c\" x=\"%.0f\" y=\"%.1f\">Route %s: %s</text>\n", plotLeft,
            pic.plotBottom + 52.0, stamp.c_str(), xmlEscape(totalsText(in.totals)).c_str());
  out.print("<text x=\"%.0f\" y=\"%.1f\">%s; %s</text>\n", plotLeft, pic.plotBottom + 70.0,
            xmlEscape(countsText(counts)).c_str(), xmlEscape(shapeText(in.params)).c_str());
  if (thinned) {
    out.print(
        "<text x=\"%.0f\" y=\"%.1f\">Simplified drawing: the line through %zu of %zu points, %zu "
        "waypoints marked; the GPX, KML and GeoJSON files hold every point</text>\n",
        plotLeft, pic.plotBottom + 88.0, line.size(), pts.size(), marked.size());
  }
  out.write("</svg>\n");
}

void renderExport(ExportFormat format, TextSink& out, const ExportInput& in) {
  switch (format) {
    case ExportFormat::gpx: renderGpx(out, in); return;
    case ExportFormat::kml: renderKml(out, in); return;
    case ExportFormat::geojson: renderGeoJson(out, in); return;
    case ExportFormat::svg: renderSvg(out, in); return;
  }
}

}  // namespace nurvo
