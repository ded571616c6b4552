#include "svgPicture.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nurvo {

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
    const double w = digitWidth * static_cast<double>(std::to_string(number).size());
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

// What the picture draws of the route: the vertices of the line and the marked waypoints, and
// whether either was thinned to its budget.
struct Simplified {
  std::vector<std::size_t> line;
  std::vector<std::size_t> marked;
  bool thinned = false;
};

void drawMarker(TextSink& out, const Drawn& d) {
  switch (d.kind) {
    case WaypointKind::launch:
      out << "<rect class=\"l\" x=\"" << fixed(d.at.x - 5.0, 1) << "\" y=\""
          << fixed(d.at.y - 5.0, 1) << "\" width=\"10\" height=\"10\"/>\n";
      return;
    case WaypointKind::survey:
      out << "<circle class=\"s\" cx=\"" << fixed(d.at.x, 1) << "\" cy=\"" << fixed(d.at.y, 1)
          << "\" r=\"4\"/>\n";
      return;
    case WaypointKind::inserted:
      out << "<circle class=\"i\" cx=\"" << fixed(d.at.x, 1) << "\" cy=\"" << fixed(d.at.y, 1)
          << "\" r=\"2.5\"/>\n";
      return;
  }
}

void drawHead(TextSink& out, const Picture& pic, const std::string& stamp) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
      << fixed(canvasWidth, 0) << "\" height=\"" << fixed(pic.height, 0) << "\" viewBox=\"0 0 "
      << fixed(canvasWidth, 0) << ' ' << fixed(pic.height, 0) << "\">\n";
  out << "<title>nurvo route " << stamp << "</title>\n";
  out << "<style>\n"
         "text{font-family:sans-serif;font-size:11px;fill:#222}\n"
         ".r{fill:none;stroke:#3070d0;stroke-width:2;stroke-linejoin:round;stroke-linecap:round}\n"
         ".l{fill:#2a9d3a;stroke:#14501c}\n"
         ".s{fill:#3070d0;stroke:#fff}\n"
         ".i{fill:#fff;stroke:#707070}\n"
         ".e{text-anchor:end}\n"
         ".c{font-size:13px}\n"
         ".k{stroke:#222;stroke-width:2;fill:none}\n"
         "</style>\n";
  out << "<rect width=\"" << fixed(canvasWidth, 0) << "\" height=\"" << fixed(pic.height, 0)
      << "\" fill=\"#fff\"/>\n";
}

void drawLine(TextSink& out, const std::vector<Drawn>& pts, const std::vector<std::size_t>& line) {
  out << "<polyline class=\"r\" points=\"";
  for (std::size_t k = 0; k < line.size(); ++k) {
    if (k > 0) out << ' ';
    out << fixed(pts[line[k]].at.x, 1) << ',' << fixed(pts[line[k]].at.y, 1);
  }
  out << "\"/>\n";
}

// Markers are drawn from the least to the most important kind, so launch and survey waypoints
// lie on top; labels follow the order of importance.
void drawMarkersAndLabels(TextSink& out, const Picture& pic,
                          const std::vector<std::size_t>& marked) {
  const std::vector<Drawn>& pts = pic.points;
  for (auto i = marked.rbegin(); i != marked.rend(); ++i) drawMarker(out, pts[*i]);
  LabelPlacer labels(pic.height);
  for (const std::size_t i : marked) {
    if (const auto anchor = labels.place(pts[i].at, pts[i].number)) {
      out << (anchor->second ? "<text class=\"e\" x=\"" : "<text x=\"") << fixed(anchor->first.x, 1)
          << "\" y=\"" << fixed(anchor->first.y, 1) << "\">" << pts[i].number << "</text>\n";
    }
  }
}

// The legend, top left; the north arrow, top right.
void drawLegendAndNorthArrow(TextSink& out) {
  out << "<rect class=\"l\" x=\"45\" y=\"20\" width=\"10\" height=\"10\"/>"
         "<text x=\"60\" y=\"29\">launch</text>\n"
         "<circle class=\"s\" cx=\"120\" cy=\"25\" r=\"4\"/><text x=\"130\" "
         "y=\"29\">survey</text>\n"
         "<circle class=\"i\" cx=\"185\" cy=\"25\" r=\"2.5\"/><text x=\"195\" "
         "y=\"29\">inserted</text>\n"
         "<path class=\"k\" d=\"M860 50V14\"/><path d=\"M860 8L854 22H866Z\" fill=\"#222\"/>"
         "<text x=\"868\" y=\"22\" class=\"c\">N</text>\n";
}

// The scale bar, under the plot.
void drawScaleBar(TextSink& out, const Picture& pic) {
  const double barMetres = scaleBarMetres(pic.pxPerMetre, 200.0);
  const double barPx = barMetres * pic.pxPerMetre;
  const double barY = pic.plotBottom + 25.0;
  out << "<path class=\"k\" d=\"M" << fixed(plotLeft, 1) << ' ' << fixed(barY - 6.0, 1) << "v6h"
      << fixed(barPx, 1) << "v-6\"/>\n";
  const bool km = barMetres >= 1000.0;
  out << "<text x=\"" << fixed(plotLeft + barPx + 6.0, 1) << "\" y=\"" << fixed(barY, 1) << "\">"
      << general(km ? barMetres / 1000.0 : barMetres) << (km ? " km" : " m") << "</text>\n";
}

// The caption, under the scale bar: the totals, the counts and the shaping parameters, and what
// simplifying the drawing left out.
void drawCaption(TextSink& out, const Picture& pic, const ExportInput& in, const std::string& stamp,
                 const Simplified& drawn) {
  out << "<text class=\"c\" x=\"" << fixed(plotLeft, 0) << "\" y=\""
      << fixed(pic.plotBottom + 52.0, 1) << "\">Route " << stamp << ": "
      << xmlEscape(totalsText(in.totals)) << "</text>\n";
  out << "<text x=\"" << fixed(plotLeft, 0) << "\" y=\"" << fixed(pic.plotBottom + 70.0, 1) << "\">"
      << xmlEscape(countsText(countKinds(in.route))) << "; " << xmlEscape(shapeText(in.params))
      << "</text>\n";
  if (drawn.thinned) {
    out << "<text x=\"" << fixed(plotLeft, 0) << "\" y=\"" << fixed(pic.plotBottom + 88.0, 1)
        << "\">Simplified drawing: the line through " << drawn.line.size() << " of "
        << pic.points.size() << " points, " << drawn.marked.size()
        << " waypoints marked; the GPX, KML and GeoJSON files hold every point</text>\n";
  }
}

}  // namespace

void renderSvg(TextSink& out, const ExportInput& in) {
  const Picture pic = project(in.route);
  const std::string stamp = xmlEscape(in.stamp);
  Simplified drawn;
  drawn.line = lineVertices(pic.points, drawn.thinned);
  drawn.marked = markedWaypoints(pic.points, pic.height, drawn.thinned);

  drawHead(out, pic, stamp);
  drawLine(out, pic.points, drawn.line);
  drawMarkersAndLabels(out, pic, drawn.marked);
  drawLegendAndNorthArrow(out);
  drawScaleBar(out, pic);
  drawCaption(out, pic, in, stamp, drawn);
  out << "</svg>\n";
}

}  // namespace nurvo
