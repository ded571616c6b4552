#include "svgPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geoPoint.h"

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
constexpr double metresPerDegree = earthRadiusKm * 1000.0 * pi / 180.0;
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

// What the leg leaving a point is: a leg of a waypoint route, a main line of a survey, a tie line,
// or a move (the launch leg, a turn between lines, a move round land, the lead-in).
enum class Leg { route, line, tieLine, move };

struct Drawn {
  Pt at;
  WaypointKind kind;
  int number;
  Leg leg = Leg::route;
};

// The route on the canvas: a local equirectangular projection, longitudes scaled by the cosine of
// the mid latitude, north up, the same scale both ways. Longitudes are unwrapped from the first
// waypoint on, so a route across the antimeridian is drawn in one piece.
struct Picture {
  std::vector<Drawn> points;
  // The polygons of a survey on the canvas, ring by ring, as `in.polygons` holds them, and the
  // keep-outs' margins.
  std::vector<std::vector<std::vector<Pt>>> polygons;
  std::vector<std::vector<std::vector<Pt>>> margins;
  double pxPerMetre = 1.0;
  double plotBottom = 0.0;
  // Whether every leg is drawn at the scale of the scale bar, within scaleTolerance. Not so for a
  // route near a pole, where the meridians meet, or one that spans much of the globe.
  bool toScale = true;
};

constexpr double scaleTolerance = 0.1;

// Whether the leg from `a` to `b`, `metres` long, is drawn within scaleTolerance of its length at
// `pxPerMetre`. Legs shorter than a few pixels cannot be seen to be wrong.
bool drawnToScale(Pt a, Pt b, double metres, double pxPerMetre) {
  const double expected = metres * pxPerMetre;
  const double drawn = std::hypot(b.x - a.x, b.y - a.y);
  return std::fabs(drawn - expected) <= std::max(scaleTolerance * expected, 3.0);
}

// The leg leaving each point of a planned survey. Every line adds its start and its end, main
// lines first, then tie lines: the first, third, ... line end of each kind starts a line, the
// others a move; an inserted point cuts the leg it lies on.
std::vector<Leg> legsOf(const wptList& route) {
  std::vector<Leg> legs;
  long mainEnds = 0;
  long tieEnds = 0;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    switch (n->kind) {
      case WaypointKind::launch:
      case WaypointKind::move: legs.push_back(Leg::move); break;
      case WaypointKind::inserted: legs.push_back(legs.back()); break;
      case WaypointKind::lineEnd:
        legs.push_back(mainEnds++ % 2 == 0 ? Leg::line : Leg::move);
        break;
      case WaypointKind::tieLineEnd:
        legs.push_back(tieEnds++ % 2 == 0 ? Leg::tieLine : Leg::move);
        break;
      case WaypointKind::survey: legs.push_back(Leg::route); break;
    }
  }
  return legs;
}

using GeoRings = std::vector<std::vector<GeoPoint>>;

// The route's longitudes, unwrapped from the first waypoint on: each leg runs the short way round.
std::vector<double> unwrappedLongitudes(const wptList& route) {
  std::vector<double> lon;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    lon.push_back(n->prevPtr == nullptr
                      ? n->Lon
                      : lon.back() + std::remainder(n->Lon - n->prevPtr->Lon, 360.0));
  }
  return lon;
}

// A polygon's longitude unwrapped to the one nearest the first waypoint's, `lon0`.
double unwrappedNear(double lon0, const GeoPoint& p) {
  return lon0 + std::remainder(p.lon - lon0, 360.0);
}

// What the picture spans, in degrees, longitudes unwrapped.
struct Extent {
  double lonMin, lonMax, latMin, latMax;
};

// The route's extent, widened by the polygons and margins so that they are drawn whole.
Extent extentOf(const wptList& route, const std::vector<double>& lon,
                std::span<const DrawnPolygon> polygons, std::span<const GeoRings> margins) {
  const double lon0 = route.head()->Lon;
  Extent e{*std::min_element(lon.begin(), lon.end()), *std::max_element(lon.begin(), lon.end()),
           route.head()->Lat, route.head()->Lat};
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr) {
    e.latMin = std::min(e.latMin, n->Lat);
    e.latMax = std::max(e.latMax, n->Lat);
  }
  const auto widen = [&](const GeoRings& rings) {
    for (const std::vector<GeoPoint>& ring : rings) {
      for (const GeoPoint& p : ring) {
        e.lonMin = std::min(e.lonMin, unwrappedNear(lon0, p));
        e.lonMax = std::max(e.lonMax, unwrappedNear(lon0, p));
        e.latMin = std::min(e.latMin, p.lat);
        e.latMax = std::max(e.latMax, p.lat);
      }
    }
  };
  for (const DrawnPolygon& poly : polygons) widen(poly.rings);
  for (const GeoRings& rings : margins) widen(rings);
  return e;
}

// An extent on the canvas: the largest scale at which it fits the plot, the same both ways, and
// the plot centred.
struct Projection {
  double lonMin, latMax, cosMid, pxPerMetre, left, top, plotBottom;

  Pt canvas(double lonUnwrapped, double lat) const {
    return Pt{left + (lonUnwrapped - lonMin) * cosMid * metresPerDegree * pxPerMetre,
              top + (latMax - lat) * metresPerDegree * pxPerMetre};
  }
};

Projection projectionOf(const Extent& e) {
  const double cosMid = std::max(std::cos((e.latMin + e.latMax) / 2.0 * pi / 180.0), 0.01);
  const double widthM = (e.lonMax - e.lonMin) * cosMid * metresPerDegree;
  const double heightM = (e.latMax - e.latMin) * metresPerDegree;
  const double pxPerMetre =
      std::min(plotWidth / std::max(widthM, 1.0), plotMaxHeight / std::max(heightM, 1.0));
  const double w = widthM * pxPerMetre;
  const double h = heightM * pxPerMetre;
  const double plotHeight = std::max(h, plotMinHeight);
  const double left = plotLeft + (plotWidth - w) / 2.0;
  const double top = plotTop + (plotHeight - h) / 2.0;
  return {e.lonMin, e.latMax, cosMid, pxPerMetre, left, top, plotTop + plotHeight};
}

Picture project(const wptList& route, std::span<const DrawnPolygon> polygons,
                std::span<const GeoRings> margins) {
  const std::vector<double> lon = unwrappedLongitudes(route);
  const double lon0 = route.head()->Lon;
  const Projection proj = projectionOf(extentOf(route, lon, polygons, margins));
  Picture pic;
  pic.pxPerMetre = proj.pxPerMetre;
  pic.plotBottom = proj.plotBottom;
  const auto onCanvas = [&](const GeoRings& geo, std::vector<std::vector<std::vector<Pt>>>& to) {
    std::vector<std::vector<Pt>>& rings = to.emplace_back();
    for (const std::vector<GeoPoint>& ring : geo) {
      std::vector<Pt>& drawnRing = rings.emplace_back();
      for (const GeoPoint& p : openRing(ring)) {
        drawnRing.push_back(proj.canvas(unwrappedNear(lon0, p), p.lat));
      }
    }
  };
  for (const DrawnPolygon& poly : polygons) onCanvas(poly.rings, pic.polygons);
  for (const GeoRings& rings : margins) onCanvas(rings, pic.margins);
  const std::vector<Leg> legs = legsOf(route);
  std::size_t i = 0;
  for (const node* n = route.head(); n != nullptr; n = n->nextPtr, ++i) {
    const Pt at = proj.canvas(lon[i], n->Lat);
    if (n->prevPtr != nullptr && pic.toScale) {
      pic.toScale = drawnToScale(pic.points.back().at, at, n->prevPtr->legMeters, pic.pxPerMetre);
    }
    pic.points.push_back({at, exportedKind(n->kind), n->wptNumber, legs[i]});
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
  for (const WaypointKind kind : {WaypointKind::launch, WaypointKind::survey, WaypointKind::lineEnd,
                                  WaypointKind::move, WaypointKind::inserted}) {
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
// only where it covers no marker but its own (or one that overlaps it), neither the legend nor the
// north arrow, and keeps a clear cell beside every label placed before, so that two numbers never
// run together.
class LabelPlacer {
 public:
  LabelPlacer(double height, const std::vector<Drawn>& pts, const std::vector<std::size_t>& marked,
              double legendRight, double legendBottom)
      : cols_(static_cast<std::size_t>(canvasWidth / labelCell) + 1),
        rows_(static_cast<std::size_t>(height / labelCell) + 1),
        owner_(cols_ * rows_, free),
        pts_(pts) {
    mark({legendBox.x0, legendBox.y0, legendRight, legendBottom}, fixedArt);
    mark(northArrowBox, fixedArt);
    for (const std::size_t i : marked) {
      const Pt at = pts[i].at;
      mark({at.x - 5.0, at.y - 5.0, at.x + 5.0, at.y + 5.0}, static_cast<int>(i));
    }
  }

  // The anchor of the label of point `i` at `at`, and whether it is written leftwards, or
  // nothing when there is no room.
  std::optional<std::pair<Pt, bool>> place(std::size_t i, Pt at, int number) {
    const double w = digitWidth * static_cast<double>(std::to_string(number).size());
    const double baseline = at.y - 4.0;
    const double top = baseline - labelHeight + 2.0;
    const int self = static_cast<int>(i);
    if (claim({at.x + 7.0, top, at.x + 7.0 + w, top + labelHeight}, self)) {
      return std::pair{Pt{at.x + 7.0, baseline}, false};
    }
    if (claim({at.x - 7.0 - w, top, at.x - 7.0, top + labelHeight}, self)) {
      return std::pair{Pt{at.x - 7.0, baseline}, true};
    }
    return std::nullopt;
  }

 private:
  struct Box {
    double x0, y0, x1, y1;
  };
  static constexpr int free = -1, label = -2, fixedArt = -3;
  // The legend, top left, as far right and down as its entries reach, and the north arrow with
  // its letter, top right.
  static constexpr Box legendBox{40.0, 14.0, 250.0, 34.0};
  static constexpr Box northArrowBox{848.0, 4.0, 884.0, 54.0};

  // The cells of `b`, clipped to the grid.
  template <typename F>
  bool eachCell(Box b, std::ptrdiff_t margin, F f) {
    const auto cell = [](double v, std::size_t n) {
      return std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(std::floor(v / labelCell)), 0,
                                        static_cast<std::ptrdiff_t>(n) - 1);
    };
    const std::ptrdiff_t c0 = std::max<std::ptrdiff_t>(cell(b.x0, cols_) - margin, 0);
    const std::ptrdiff_t c1 = std::min<std::ptrdiff_t>(cell(b.x1, cols_) + margin,
                                                       static_cast<std::ptrdiff_t>(cols_) - 1);
    for (std::ptrdiff_t r = cell(b.y0, rows_); r <= cell(b.y1, rows_); ++r) {
      for (std::ptrdiff_t c = c0; c <= c1; ++c) {
        if (!f(owner_[static_cast<std::size_t>(r) * cols_ + static_cast<std::size_t>(c)])) {
          return false;
        }
      }
    }
    return true;
  }

  void mark(Box b, int who) {
    eachCell(b, 0, [&](int& o) {
      o = who;
      return true;
    });
  }

  bool claim(Box b, int self) {
    if (b.x0 < 0.0 || b.y0 < 0.0 || b.x1 >= canvasWidth ||
        b.y1 >= static_cast<double>(rows_) * labelCell) {
      return false;
    }
    const bool clear =
        eachCell(b, 0,
                 [&](int& o) { return o == free || o == self || (o >= 0 && sameSpot(o, self)); }) &&
        eachCell(b, 1, [&](int& o) { return o != label; });
    if (clear) mark(b, label);
    return clear;
  }

  // Whether the marker of point `o` overlaps that of point `self`: two waypoints at almost one
  // spot, whose numbers stand either side of the pair.
  bool sameSpot(int o, int self) const {
    const Pt a = pts_[static_cast<std::size_t>(o)].at, b = pts_[static_cast<std::size_t>(self)].at;
    return std::hypot(a.x - b.x, a.y - b.y) < 6.0;
  }

  std::size_t cols_, rows_;
  std::vector<int> owner_;
  const std::vector<Drawn>& pts_;
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
    case WaypointKind::lineEnd:
    case WaypointKind::tieLineEnd:
      out << "<circle class=\"s\" cx=\"" << fixed(d.at.x, 1) << "\" cy=\"" << fixed(d.at.y, 1)
          << "\" r=\"4\"/>\n";
      return;
    case WaypointKind::move:
      out << "<path class=\"m\" d=\"M" << fixed(d.at.x, 1) << ' ' << fixed(d.at.y - 4.0, 1)
          << "l4 4l-4 4l-4-4z\"/>\n";
      return;
    case WaypointKind::inserted:
      out << "<circle class=\"i\" cx=\"" << fixed(d.at.x, 1) << "\" cy=\"" << fixed(d.at.y, 1)
          << "\" r=\"2.5\"/>\n";
      return;
  }
}

bool isDigitChar(char c) {
  return c >= '0' && c <= '9';
}

// One line of the caption under the picture; `large` in the caption's larger type.
struct CaptionLine {
  std::string text;  // plain text, escaped when written
  bool large = false;
};

// The room for a caption line, and how many characters of `text` fit in it: digits take 0.64 em
// of a sans-serif type, other characters about 0.55 em on average.
constexpr double captionWidth = canvasWidth - plotLeft - 10.0;

std::size_t fittingChars(std::string_view text, bool large) {
  const double em = large ? 13.0 : 11.0;
  double width = 0.0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    width += em * (isDigitChar(text[i]) ? 0.64 : 0.55);
    if (width > captionWidth) return i;
  }
  return text.size();
}

// A line too wide for the picture broken after its "; " and ", " into lines that fit; a piece
// that fits on no line (a number of hundreds of digits) is broken where the line ends.
void addWrapped(std::vector<CaptionLine>& lines, CaptionLine line) {
  for (std::size_t fitting; (fitting = fittingChars(line.text, line.large)) < line.text.size();) {
    std::size_t cut = std::string::npos;
    for (const std::string_view sep : {"; ", ", "}) {
      const std::size_t at = line.text.rfind(sep, fitting - 1);
      if (at != std::string::npos && at > 0 && (cut == std::string::npos || at > cut)) cut = at;
    }
    if (cut == std::string::npos) {
      lines.push_back({line.text.substr(0, fitting), line.large});
      line.text.erase(0, fitting);
      continue;
    }
    lines.push_back({line.text.substr(0, cut + 1), line.large});
    line.text.erase(0, cut + 2);
  }
  lines.push_back(std::move(line));
}

// The caption: the totals, the counts and the shaping parameters, what simplifying the drawing
// left out, and that the route is not drawn to scale where it cannot be.
std::vector<CaptionLine> captionLines(const Picture& pic, const ExportInput& in,
                                      const Simplified& drawn) {
  std::vector<CaptionLine> lines;
  addWrapped(lines, {"Route " + in.stamp + ": " + totalsText(in.totals), true});
  if (in.survey != nullptr) {
    const SurveyFigures& f = *in.survey;
    StringSink s;
    s << "Survey: " << f.lines << " lines, " << f.tieLines << " tie lines, "
      << fixed(f.lineMeters / 1000.0, 3) << " km of line, " << fixed(f.moveMeters / 1000.0, 3)
      << " km of moves, coverage " << fixed(f.coveragePercent, 1) << " %";
    if (!f.margins.empty()) s << "; keep-outs kept " << general(f.margin) << " m clear";
    addWrapped(lines, {s.text});
  }
  addWrapped(lines, {countsText(countKinds(in.route)) + "; " + shapeText(in.params)});
  if (drawn.thinned) {
    StringSink s;
    s << "Simplified drawing: the line through " << drawn.line.size() << " of " << pic.points.size()
      << " points, " << drawn.marked.size()
      << " waypoints marked; the GPX, KML and GeoJSON files hold every point";
    addWrapped(lines, {s.text});
  }
  if (!pic.toScale) {
    addWrapped(lines, {"Not to scale: the route passes too near a pole, or spans too much of the "
                       "globe, to be drawn at one scale; the mission files hold its true lengths"});
  }
  return lines;
}

constexpr double captionTop = 52.0;   // below the plot, the first line's baseline
constexpr double captionStep = 18.0;  // between baselines

// The height of the picture: the plot, then the scale bar and the caption.
double canvasHeight(const Picture& pic, std::size_t captionCount) {
  const double lastBaseline = captionTop + captionStep * static_cast<double>(captionCount - 1);
  return pic.plotBottom + std::max(belowPlot, lastBaseline + 12.0);
}

void drawHead(TextSink& out, double height, const std::string& stamp, bool survey) {
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
      << fixed(canvasWidth, 0) << "\" height=\"" << fixed(height, 0) << "\" viewBox=\"0 0 "
      << fixed(canvasWidth, 0) << ' ' << fixed(height, 0) << "\">\n";
  out << "<title>nurvo route " << stamp << "</title>\n";
  out << "<style>\n"
         "text{font-family:sans-serif;font-size:11px;fill:#222}\n"
         ".r{fill:none;stroke:#3070d0;stroke-width:2;stroke-linejoin:round;stroke-linecap:round}\n"
         ".l{fill:#2a9d3a;stroke:#14501c}\n"
         ".s{fill:#3070d0;stroke:#fff}\n"
         ".i{fill:#fff;stroke:#707070}\n"
         ".e{text-anchor:end}\n"
         ".c{font-size:13px}\n"
         ".k{stroke:#222;stroke-width:2;fill:none}\n";
  if (survey) {
    // The area lightly filled; its holes (land) and the keep-outs shaded apart on top of it.
    // Main lines keep the route's style; tie lines are purple, moves thin, grey and dashed. The
    // keep-outs and their margins are drawn over the route, so that no marker hides them.
    out << ".m{fill:#e0902a;stroke:#fff}\n"
           ".a{fill:#e8f1fb;stroke:#8fb3dc;stroke-width:1}\n"
           ".h{fill:#e4dac4;stroke:#a89a78;stroke-width:1}\n"
           ".x{fill:#c0504d;fill-opacity:0.35;stroke:#c0504d;stroke-width:1}\n"
           ".t{fill:none;stroke:#8e44ad;stroke-width:2;stroke-linecap:round}\n"
           ".v{fill:none;stroke:#808080;stroke-width:1.2;stroke-dasharray:5 3}\n"
           ".g{fill:none;stroke:#c0504d;stroke-width:1.2;stroke-dasharray:4 3}\n"
           ".w{fill:none;stroke:#c0504d;stroke-width:2}\n";
  }
  out << "</style>\n";
  out << "<rect width=\"" << fixed(canvasWidth, 0) << "\" height=\"" << fixed(height, 0)
      << "\" fill=\"#fff\"/>\n";
}

// One ring as a closed path.
void drawRing(TextSink& out, const char* cls, const std::vector<Pt>& ring) {
  if (ring.empty()) return;
  out << "<path class=\"" << cls << "\" d=\"";
  for (std::size_t k = 0; k < ring.size(); ++k) {
    out << (k == 0 ? "M" : "L") << fixed(ring[k].x, 1) << ' ' << fixed(ring[k].y, 1);
  }
  out << "Z\"/>\n";
}

// The area's outer ring, then its holes, under the route.
void drawArea(TextSink& out, const Picture& pic, std::span<const DrawnPolygon> polygons) {
  for (std::size_t p = 0; p < polygons.size(); ++p) {
    const std::vector<std::vector<Pt>>& rings = pic.polygons[p];
    if (polygons[p].role != PolygonRole::area) continue;
    for (std::size_t r = 0; r < rings.size(); ++r) drawRing(out, r == 0 ? "a" : "h", rings[r]);
  }
}

// The margins, then the keep-outs, over the route. A keep-out drawn smaller than a marker gets a
// cross of its own, so that it shows at any scale.
void drawKeepOuts(TextSink& out, const Picture& pic, std::span<const DrawnPolygon> polygons) {
  for (const std::vector<std::vector<Pt>>& rings : pic.margins) {
    for (const std::vector<Pt>& ring : rings) drawRing(out, "g", ring);
  }
  for (std::size_t p = 0; p < polygons.size(); ++p) {
    if (polygons[p].role == PolygonRole::area) continue;
    const std::vector<std::vector<Pt>>& rings = pic.polygons[p];
    for (const std::vector<Pt>& ring : rings) drawRing(out, "x", ring);
    if (rings.empty() || rings.front().empty()) continue;
    Pt lo = rings.front().front();
    Pt hi = lo;
    for (const Pt& q : rings.front()) {
      lo = {std::min(lo.x, q.x), std::min(lo.y, q.y)};
      hi = {std::max(hi.x, q.x), std::max(hi.y, q.y)};
    }
    if (std::max(hi.x - lo.x, hi.y - lo.y) < 10.0) {
      const Pt c{(lo.x + hi.x) / 2.0, (lo.y + hi.y) / 2.0};
      out << "<path class=\"w\" d=\"M" << fixed(c.x - 5.0, 1) << ' ' << fixed(c.y - 5.0, 1)
          << "l10 10m0-10l-10 10\"/>\n";
    }
  }
}

// A survey's route: its main lines, tie lines and moves each a path of their own style, a stretch
// between two drawn vertices styled by the leg that leaves the first.
void drawSurveyLegs(TextSink& out, const std::vector<Drawn>& pts,
                    const std::vector<std::size_t>& line) {
  for (const auto& [leg, cls] :
       {std::pair{Leg::move, "v"}, std::pair{Leg::line, "r"}, std::pair{Leg::tieLine, "t"}}) {
    bool open = false;
    std::size_t last = SIZE_MAX;
    for (std::size_t k = 0; k + 1 < line.size(); ++k) {
      const Drawn& a = pts[line[k]];
      if ((a.leg == Leg::route ? Leg::line : a.leg) != leg) continue;
      const Drawn& b = pts[line[k + 1]];
      if (!open) out << "<path class=\"" << cls << "\" d=\"";
      if (last != k) out << 'M' << fixed(a.at.x, 1) << ' ' << fixed(a.at.y, 1);
      out << 'L' << fixed(b.at.x, 1) << ' ' << fixed(b.at.y, 1);
      open = true;
      last = k + 1;
    }
    if (open) out << "\"/>\n";
  }
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
void drawMarkersAndLabels(TextSink& out, const Picture& pic, double gridHeight,
                          const std::vector<std::size_t>& marked, double legendRight,
                          double legendBottom) {
  const std::vector<Drawn>& pts = pic.points;
  for (auto i = marked.rbegin(); i != marked.rend(); ++i) drawMarker(out, pts[*i]);
  LabelPlacer labels(gridHeight, pts, marked, legendRight, legendBottom);
  for (const std::size_t i : marked) {
    if (const auto anchor = labels.place(i, pts[i].at, pts[i].number)) {
      out << (anchor->second ? "<text class=\"e\" x=\"" : "<text x=\"") << fixed(anchor->first.x, 1)
          << "\" y=\"" << fixed(anchor->first.y, 1) << "\">" << pts[i].number << "</text>\n";
    }
  }
}

// Where the legend ends on the right: further for a survey, whose points and areas have more
// entries.
constexpr double plainLegendEnd = 250.0;
constexpr double surveyLegendEnd = 520.0;
// Where the legend ends below: a survey's has a second row, for its legs and the margin.
constexpr double plainLegendBottom = 34.0;
constexpr double surveyLegendBottom = 52.0;

// The legend, top left; the north arrow, top right.
void drawLegendAndNorthArrow(TextSink& out, bool survey) {
  if (survey) {
    out << "<rect class=\"l\" x=\"45\" y=\"20\" width=\"10\" height=\"10\"/>"
           "<text x=\"60\" y=\"29\">launch</text>\n"
           "<circle class=\"s\" cx=\"120\" cy=\"25\" r=\"4\"/><text x=\"130\" "
           "y=\"29\">line end</text>\n"
           "<path class=\"m\" d=\"M195 21l4 4l-4 4l-4-4z\"/><text x=\"205\" y=\"29\">move</text>\n"
           "<circle class=\"i\" cx=\"255\" cy=\"25\" r=\"2.5\"/><text x=\"265\" "
           "y=\"29\">inserted</text>\n"
           "<rect class=\"a\" x=\"325\" y=\"19\" width=\"14\" height=\"12\"/>"
           "<text x=\"344\" y=\"29\">area</text>\n"
           "<rect class=\"h\" x=\"385\" y=\"19\" width=\"14\" height=\"12\"/>"
           "<text x=\"404\" y=\"29\">hole</text>\n"
           "<rect class=\"x\" x=\"445\" y=\"19\" width=\"14\" height=\"12\"/>"
           "<text x=\"464\" y=\"29\">keep-out</text>\n"
           "<path class=\"r\" d=\"M45 43h16\"/><text x=\"66\" y=\"47\">line</text>\n"
           "<path class=\"t\" d=\"M110 43h16\"/><text x=\"131\" y=\"47\">tie line</text>\n"
           "<path class=\"v\" d=\"M190 43h16\"/><text x=\"211\" y=\"47\">move</text>\n"
           "<rect class=\"g\" x=\"255\" y=\"37\" width=\"14\" height=\"12\"/>"
           "<text x=\"274\" y=\"47\">margin</text>\n";
  } else {
    out << "<rect class=\"l\" x=\"45\" y=\"20\" width=\"10\" height=\"10\"/>"
           "<text x=\"60\" y=\"29\">launch</text>\n"
           "<circle class=\"s\" cx=\"120\" cy=\"25\" r=\"4\"/><text x=\"130\" "
           "y=\"29\">survey</text>\n"
           "<circle class=\"i\" cx=\"185\" cy=\"25\" r=\"2.5\"/><text x=\"195\" "
           "y=\"29\">inserted</text>\n";
  }
  out << "<path class=\"k\" d=\"M860 50V14\"/><path d=\"M860 8L854 22H866Z\" fill=\"#222\"/>"
         "<text x=\"868\" y=\"22\" class=\"c\">N</text>\n";
}

// The scale bar, under the plot; none where the route is not drawn to one scale.
void drawScaleBar(TextSink& out, const Picture& pic) {
  if (!pic.toScale) return;
  const double barMetres = scaleBarMetres(pic.pxPerMetre, 200.0);
  const double barPx = barMetres * pic.pxPerMetre;
  const double barY = pic.plotBottom + 25.0;
  out << "<path class=\"k\" d=\"M" << fixed(plotLeft, 1) << ' ' << fixed(barY - 6.0, 1) << "v6h"
      << fixed(barPx, 1) << "v-6\"/>\n";
  const bool km = barMetres >= 1000.0;
  out << "<text x=\"" << fixed(plotLeft + barPx + 6.0, 1) << "\" y=\"" << fixed(barY, 1) << "\">"
      << general(km ? barMetres / 1000.0 : barMetres) << (km ? " km" : " m") << "</text>\n";
}

// The caption, line by line under the scale bar.
void drawCaption(TextSink& out, const Picture& pic, const std::vector<CaptionLine>& lines) {
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const CaptionLine& line = lines[k];
    out << (line.large ? "<text class=\"c\" x=\"" : "<text x=\"") << fixed(plotLeft, 0) << "\" y=\""
        << fixed(pic.plotBottom + captionTop + captionStep * static_cast<double>(k), 1) << "\">"
        << xmlEscape(line.text) << "</text>\n";
  }
}

}  // namespace

void renderSvg(TextSink& out, const ExportInput& in) {
  const std::span<const GeoRings> margins = in.survey != nullptr
                                                ? std::span<const GeoRings>(in.survey->margins)
                                                : std::span<const GeoRings>();
  const Picture pic = project(in.route, in.polygons, margins);
  // A survey's picture: line ends and moves, the area and the keep-outs, and their legend.
  const bool survey = countKinds(in.route).planned() || !in.polygons.empty();
  // Markers and labels lie in the plot: their grids end below it.
  const double gridHeight = pic.plotBottom + belowPlot;
  Simplified drawn;
  drawn.line = lineVertices(pic.points, drawn.thinned);
  drawn.marked = markedWaypoints(pic.points, gridHeight, drawn.thinned);
  const std::vector<CaptionLine> caption = captionLines(pic, in, drawn);

  drawHead(out, canvasHeight(pic, caption.size()), xmlEscape(in.stamp), survey);
  drawArea(out, pic, in.polygons);
  if (survey) {
    drawSurveyLegs(out, pic.points, drawn.line);
  } else {
    drawLine(out, pic.points, drawn.line);
  }
  drawMarkersAndLabels(out, pic, gridHeight, drawn.marked,
                       survey ? surveyLegendEnd : plainLegendEnd,
                       survey ? surveyLegendBottom : plainLegendBottom);
  drawKeepOuts(out, pic, in.polygons);
  drawLegendAndNorthArrow(out, survey);
  drawScaleBar(out, pic);
  drawCaption(out, pic, caption);
  out << "</svg>\n";
}

}  // namespace nurvo
