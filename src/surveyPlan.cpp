#include "surveyPlan.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

#include "freeSpaceRouter.h"
#include "nurvoError.h"
#include "textSink.h"

namespace nurvo {

namespace {

// Coordinates along (u) and across (v) the lines of one heading. A rotation: lengths and areas
// are kept, and so is the turning sense of rings.
struct Frame {
  double s;  // sine of the heading
  double c;  // cosine of the heading
  explicit Frame(double headingDeg)
      : s(std::sin(headingDeg * std::numbers::pi / 180.0)),
        c(std::cos(headingDeg * std::numbers::pi / 180.0)) {}
  double u(const Pt& p) const { return p.x() * s + p.y() * c; }
  double v(const Pt& p) const { return -p.x() * c + p.y() * s; }
  Pt plane(double u, double v) const { return Pt(s * u - c * v, c * u + s * v); }
};

// The part of one line inside the area, from u0 to u1 (u0 < u1).
struct Piece {
  double u0;
  double u1;
};

struct ScanLine {
  double v;
  std::vector<Piece> pieces;
};

// Pieces shorter than this are no line to fly.
constexpr double shortestPiece = 0.01;  // metres

// The shortest line flown, and the shortest leg a move keeps between its corners where it can.
// The vehicle takes a waypoint within its 10 m capture radius as reached, and the files write
// positions to four decimals, in which points less than 16 m apart may coincide.
constexpr double shortestMoveLeg = 20.0;  // metres

std::vector<std::pair<Pt, Pt>> edgesOf(const Polygon& poly) {
  std::vector<std::pair<Pt, Pt>> edges;
  auto add = [&](const Polygon::ring_type& r) {
    for (std::size_t i = 0; i + 1 < r.size(); ++i) edges.emplace_back(r[i], r[i + 1]);
  };
  add(poly.outer());
  for (const auto& h : poly.inners()) add(h);
  return edges;
}

// How many lines `spacing` apart cover the area across the heading of `f`, and where the first
// one lies: the set is centred, so the outermost lines are at most half a spacing inside the
// area's extent.
long lineCount(const Polygon& area, const Frame& f, double spacing, double& firstV) {
  double vMin = INFINITY;
  double vMax = -INFINITY;
  for (const Pt& p : area.outer()) {
    vMin = std::min(vMin, f.v(p));
    vMax = std::max(vMax, f.v(p));
  }
  const double lines = std::max(1.0, std::ceil((vMax - vMin) / spacing - 1e-9));
  if (lines > static_cast<double>(maxSurveyLines) * 1000.0) return maxSurveyLines * 1000;
  const auto n = static_cast<long>(lines);
  firstV = vMin + ((vMax - vMin) - static_cast<double>(n - 1) * spacing) / 2.0;
  return n;
}

std::vector<ScanLine> scanLines(const Polygon& free, const Frame& f, long n, double firstV,
                                double spacing) {
  std::vector<std::pair<Pt, Pt>> edges;  // (u, v) of both ends
  for (const auto& [a, b] : edgesOf(free)) {
    edges.emplace_back(Pt(f.u(a), f.v(a)), Pt(f.u(b), f.v(b)));
  }
  std::vector<ScanLine> lines;
  std::vector<double> us;
  for (long k = 0; k < n; ++k) {
    ScanLine line{firstV + static_cast<double>(k) * spacing, {}};
    const double v = line.v;
    us.clear();
    // An edge counts when its ends lie on different sides, one end on the line counting as below:
    // a line through a vertex then crosses once where the ring passes and not at all where it
    // only touches.
    for (const auto& [a, b] : edges) {
      if ((a.y() <= v) != (b.y() <= v)) {
        us.push_back(a.x() + (v - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
      }
    }
    std::sort(us.begin(), us.end());
    for (std::size_t i = 0; i + 1 < us.size(); i += 2) {
      if (us[i + 1] - us[i] >= shortestPiece) line.pieces.push_back({us[i], us[i + 1]});
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

// For each piece, how much further its strip (half a spacing either side) reaches along the line
// than the piece itself: the strip's edges are the lines of `bounds`, bounds[k] and bounds[k + 1]
// on either side of lines[k].
double shortfall(const std::vector<ScanLine>& lines, const std::vector<ScanLine>& bounds) {
  double total = 0.0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    for (const Piece& p : lines[k].pieces) {
      double u0 = p.u0;
      double u1 = p.u1;
      for (const std::size_t b : {k, k + 1}) {
        for (const Piece& q : bounds[b].pieces) {
          if (q.u0 < p.u1 && p.u0 < q.u1) {
            u0 = std::min(u0, q.u0);
            u1 = std::max(u1, q.u1);
          }
        }
      }
      total += (p.u0 - u0) + (u1 - p.u1);
    }
  }
  return total;
}

// A cell: pieces on consecutive lines, each overlapping only its neighbours in the cell, so that
// the cell can be flown back and forth.
struct Cell {
  std::size_t firstLine;
  std::vector<std::size_t> pieces;  // the piece of each line, from firstLine on
};

std::vector<Cell> cellsOf(const std::vector<ScanLine>& lines) {
  std::vector<Cell> cells;
  std::vector<std::size_t> cellOfPiece;  // for the previous line
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const auto& here = lines[k].pieces;
    std::vector<std::size_t> cellHere(here.size(), SIZE_MAX);
    if (k > 0) {
      const auto& before = lines[k - 1].pieces;
      auto overlap = [](const Piece& a, const Piece& b) { return a.u0 < b.u1 && b.u0 < a.u1; };
      for (std::size_t j = 0; j < here.size(); ++j) {
        std::size_t match = SIZE_MAX;
        int count = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
          if (overlap(before[i], here[j])) {
            match = i;
            ++count;
          }
        }
        if (count != 1) continue;
        int back = 0;
        for (const Piece& other : here) back += overlap(before[match], other) ? 1 : 0;
        if (back == 1) cellHere[j] = cellOfPiece[match];
      }
    }
    for (std::size_t j = 0; j < here.size(); ++j) {
      if (cellHere[j] == SIZE_MAX) {
        cellHere[j] = cells.size();
        cells.push_back({k, {}});
      }
      cells[cellHere[j]].pieces.push_back(j);
    }
    cellOfPiece = std::move(cellHere);
  }
  return cells;
}

// A line as flown, in frame coordinates.
struct Flown {
  double v;
  double uStart;
  double uEnd;
};

struct Route {
  std::vector<Pt> points;
  std::vector<SurveyPointKind> kinds;
  std::vector<Flown> mainLines;
  long lines = 0;
  long tieLines = 0;
  long turns = 0;
  double lineMeters = 0.0;
  double moveMeters = 0.0;
  // What the lines would need beyond their ends to cover their strips where the area's edge
  // runs oblique to them: the part of the area that the route leaves uncovered, as line length.
  double shortfallMeters = 0.0;
  long runIns = 0;
  long runInsShortened = 0;
  // The length a heading is judged by: a heading that leaves corners uncovered does not win by
  // the length it leaves out.
  long long rankMillimetres() const {
    return std::llround((lineMeters + moveMeters + shortfallMeters) * 1000.0);
  }
};

double length(const Pt& a, const Pt& b) {
  return std::hypot(b.x() - a.x(), b.y() - a.y());
}

// Where the line through p0 and p1, beyond p1, meets the line through q0 and q1, beyond q1; none
// when they meet behind either or further than shortestMoveLeg from p1.
std::optional<Pt> meetingAhead(const Pt& p0, const Pt& p1, const Pt& q0, const Pt& q1) {
  const double dx = p1.x() - p0.x();
  const double dy = p1.y() - p0.y();
  const double ex = q1.x() - q0.x();
  const double ey = q1.y() - q0.y();
  const double den = dx * ey - dy * ex;
  if (den == 0.0) return std::nullopt;
  // p1 + t (dx, dy) = q1 + s (ex, ey)
  const double t = ((q1.x() - p1.x()) * ey - (q1.y() - p1.y()) * ex) / den;
  const double s = ((q1.x() - p1.x()) * dy - (q1.y() - p1.y()) * dx) / den;
  if (t < 0.0 || s < 0.0) return std::nullopt;
  const Pt x(p1.x() + t * dx, p1.y() + t * dy);
  if (length(p1, x) > shortestMoveLeg) return std::nullopt;
  return x;
}

// A move's path (its ends fixed, the corners between them free) with no leg shorter than
// shortestMoveLeg where that can be had inside the space. Two neighbouring corners become one
// where the legs on either side, carried on, meet: the shortest path bends round the boundary at
// its corners, so the merged corner lies further from it. A lone corner near a fixed end is moved
// on along the short leg. Every new leg is checked to stay in the space.
void mergeShortLegs(std::vector<Pt>& path, const FreeSpaceRouter& router) {
  auto corner = [&](std::size_t i) { return i > 0 && i + 1 < path.size(); };
  auto clear = [&](const Pt& a, const Pt& b, const Pt& c) {
    return router.clear(a, b) && router.clear(b, c);
  };
  // Each change removes a corner or lengthens a leg at a fixed end to the shortest: a bound on
  // the rounds guards against rounding undoing one.
  bool changed = true;
  for (std::size_t round = 0; changed && round < 4 * path.size(); ++round) {
    changed = false;
    for (std::size_t i = 0; i + 1 < path.size() && !changed; ++i) {
      const double leg = length(path[i], path[i + 1]);
      if (leg >= shortestMoveLeg * (1.0 - 1e-9) || leg == 0.0) continue;
      // The pair of corners to merge: this leg's, or the one beside it at a fixed end.
      std::size_t j = corner(i) ? i : i + 1;
      if (!corner(j + 1)) j = j - 1;
      if (corner(j) && corner(j + 1)) {
        const std::optional<Pt> x = meetingAhead(path[j - 1], path[j], path[j + 2], path[j + 1]);
        if (x && clear(path[j - 1], *x, path[j + 2])) {
          path[j] = *x;
          path.erase(path.begin() + static_cast<std::ptrdiff_t>(j) + 1);
          changed = true;
          continue;
        }
      }
      if (corner(i) == corner(i + 1)) continue;
      const std::size_t fixed = corner(i) ? i + 1 : i;
      const std::size_t c = corner(i) ? i : i + 1;
      const std::size_t other = c + c - fixed;
      const double k = shortestMoveLeg / leg;
      const Pt x(path[fixed].x() + (path[c].x() - path[fixed].x()) * k,
                 path[fixed].y() + (path[c].y() - path[fixed].y()) * k);
      if (clear(path[fixed], x, path[other])) {
        path[c] = x;
        changed = true;
      }
    }
  }
}

class Planner {
 public:
  Planner(const SurveyArea& area, const SurveySettings& settings, const Polygon& moveSpace)
      : area_(area), settings_(settings), router_(moveSpace) {
    Polygon::ring_type box;
    bg::model::box<Pt> env;
    bg::envelope(area.area, env);
    const bool west = settings.start == StartCorner::sw || settings.start == StartCorner::nw;
    const bool south = settings.start == StartCorner::sw || settings.start == StartCorner::se;
    corner_ = Pt(west ? env.min_corner().x() : env.max_corner().x(),
                 south ? env.min_corner().y() : env.max_corner().y());
  }

  // Lines needed at `headingDeg`, main and tie lines together.
  long linesNeeded(double headingDeg) const {
    double first = 0.0;
    long n = lineCount(area_.free, Frame(headingDeg), settings_.spacing, first);
    if (settings_.tieLineSpacing > 0.0) {
      n += lineCount(area_.free, Frame(headingDeg + 90.0), settings_.tieLineSpacing, first);
    }
    return n;
  }

  Route plan(double headingDeg) {
    Route r;
    cover(Frame(headingDeg), settings_.spacing, true, r);
    if (settings_.tieLineSpacing > 0.0)
      cover(Frame(headingDeg + 90.0), settings_.tieLineSpacing, false, r);
    return r;
  }

  // Starts the route so that the launch waypoint, launchBehind metres behind its first point on
  // the reverse of its first leg, lies in the water with its leg: as it is, or after a lead-in
  // onto the first point or, failing that, onto another line end and routed on from there, its
  // direction the nearest to the first leg's that works. False when none is found.
  bool startInWater(Route& r) {
    if (r.points.size() < 2 || settings_.launchBehind <= 0.0) return true;
    const Pt first = r.points[0];
    const double behind = settings_.launchBehind;
    const double heading = std::atan2(r.points[1].y() - first.y(), r.points[1].x() - first.x());
    auto along = [](const Pt& p, double a, double d) {
      return Pt(p.x() + d * std::cos(a), p.y() + d * std::sin(a));
    };
    if (launchClear(along(first, heading, -behind), first)) return true;
    // Line ends near the start first; a few dozen are enough to find open water.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < r.points.size(); ++i) {
      if (r.kinds[i] != SurveyPointKind::move) ends.push_back(i);
    }
    std::stable_sort(ends.begin(), ends.end(), [&](std::size_t a, std::size_t b) {
      return length(first, r.points[a]) < length(first, r.points[b]);
    });
    ends.resize(std::min<std::size_t>(ends.size(), 40));
    for (const std::size_t i : ends) {
      const Pt to = r.points[i];
      for (int turn = 0; turn <= 180; turn += 5) {
        for (const int sense : {1, -1}) {
          if (sense == -1 && (turn == 0 || turn == 180)) continue;
          const double a = heading + sense * turn * std::numbers::pi / 180.0;
          const Pt launch = along(to, a, -(behind + leadInLeg));
          if (!launchClear(launch, to)) continue;
          std::vector<Pt> path{along(to, a, -leadInLeg)};
          if (i != 0) {
            const std::optional<std::vector<Pt>> corners = router_.corners(to, first);
            if (!corners) continue;
            path.push_back(to);
            path.insert(path.end(), corners->begin(), corners->end());
          }
          for (std::size_t k = 0; k < path.size(); ++k) {
            r.moveMeters += length(path[k], k + 1 < path.size() ? path[k + 1] : first);
          }
          r.points.insert(r.points.begin(), path.begin(), path.end());
          r.kinds.insert(r.kinds.begin(), path.size(), SurveyPointKind::move);
          return true;
        }
      }
    }
    return false;
  }

 private:
  // The lead-in leg: long enough that writing its ends to four decimals turns it by no more
  // than a couple of degrees, which moves the launch by a few tens of metres.
  static constexpr double leadInLeg = 200.0;
  // How far the launch waypoint keeps from the edge of the water, for the same reason.
  static constexpr double launchClearance = 50.0;

  // Whether the launch leg from `launch` to `to` stays in the water, and the launch waypoint
  // at least launchClearance from its edge.
  bool launchClear(const Pt& launch, const Pt& to) const {
    if (!router_.clear(launch, to)) return false;
    for (int k = 0; k < 8; ++k) {
      const double a = k * std::numbers::pi / 4.0;
      if (!router_.clear(launch, Pt(launch.x() + launchClearance * std::cos(a),
                                    launch.y() + launchClearance * std::sin(a)))) {
        return false;
      }
    }
    return true;
  }

  void cover(const Frame& f, double spacing, bool main, Route& r) {
    double firstV = 0.0;
    const long n = lineCount(area_.free, f, spacing, firstV);
    std::vector<ScanLine> lines = scanLines(area_.free, f, n, firstV, spacing);
    r.shortfallMeters +=
        shortfall(lines, scanLines(area_.free, f, n + 1, firstV - spacing / 2.0, spacing));
    for (ScanLine& line : lines) {
      // Pieces a short straight move apart inside the space are one line: where a line only
      // grazes the boundary, or leaves the area for less than its run-ins reach, it would
      // otherwise be flown as two with a hop between.
      std::vector<Piece> joined;
      for (const Piece& p : line.pieces) {
        if (!joined.empty() && p.u0 - joined.back().u1 < 2.0 * settings_.runIn + shortestMoveLeg &&
            router_.clear(f.plane(joined.back().u1, line.v), f.plane(p.u0, line.v))) {
          joined.back().u1 = p.u1;
        } else {
          joined.push_back(p);
        }
      }
      line.pieces = std::move(joined);
      // A piece too short to fly, where a line crosses a headland's tip or a corner, is left
      // out; what it would have covered counts against the heading as the rest of the shortfall.
      std::erase_if(line.pieces, [&](const Piece& p) {
        if (p.u1 - p.u0 >= shortestMoveLeg) return false;
        r.shortfallMeters += p.u1 - p.u0;
        return true;
      });
    }
    const std::vector<Cell> cells = cellsOf(lines);
    std::vector<bool> done(cells.size(), false);
    for (std::size_t left = cells.size(); left > 0; --left) {
      // The nearest way into a cell not yet flown: at its first or last line, at either end,
      // compared to the millimetre so that the choice does not hang on the last bits.
      const Pt here = r.points.empty() ? corner_ : r.points.back();
      long long best = LLONG_MAX;
      std::size_t bestCell = 0;
      bool fromLast = false;
      bool fromRight = false;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        if (done[c]) continue;
        for (const bool last : {false, true}) {
          const std::size_t k = cells[c].firstLine + (last ? cells[c].pieces.size() - 1 : 0);
          const Piece& p = lines[k].pieces[cells[c].pieces[last ? cells[c].pieces.size() - 1 : 0]];
          for (const bool right : {false, true}) {
            const long long d =
                std::llround(length(here, f.plane(right ? p.u1 : p.u0, lines[k].v)) * 1000.0);
            if (d < best) {
              best = d;
              bestCell = c;
              fromLast = last;
              fromRight = right;
            }
          }
        }
      }
      done[bestCell] = true;
      const Cell& cell = cells[bestCell];
      bool forward = !fromRight;
      for (std::size_t i = 0; i < cell.pieces.size(); ++i) {
        const std::size_t idx = fromLast ? cell.pieces.size() - 1 - i : i;
        const ScanLine& line = lines[cell.firstLine + idx];
        fly(f, line.v, line.pieces[cell.pieces[idx]], forward, main, r);
        forward = !forward;
      }
    }
  }

  void fly(const Frame& f, double v, const Piece& piece, bool forward, bool main, Route& r) {
    double uStart = forward ? piece.u0 : piece.u1;
    double uEnd = forward ? piece.u1 : piece.u0;
    const double dir = forward ? 1.0 : -1.0;
    if (settings_.runIn > 0.0) {
      // Each run-in goes as far as the water allows, up to the length asked.
      const Pt dirPlane(f.s * dir, f.c * dir);
      const double back =
          router_.reach(f.plane(uStart, v), -dirPlane.x(), -dirPlane.y(), settings_.runIn);
      const double on =
          router_.reach(f.plane(uEnd, v), dirPlane.x(), dirPlane.y(), settings_.runIn);
      uStart -= dir * back;
      uEnd += dir * on;
      r.runIns += 2;
      r.runInsShortened += (back < settings_.runIn ? 1 : 0) + (on < settings_.runIn ? 1 : 0);
    }
    const Pt start = f.plane(uStart, v);
    const Pt end = f.plane(uEnd, v);
    if (!r.points.empty()) {
      const Pt from = r.points.back();
      const std::optional<std::vector<Pt>> corners = router_.corners(from, start);
      if (!corners) {
        const GeoPoint g0 = area_.plane.inverse({from.x(), from.y()});
        const GeoPoint g1 = area_.plane.inverse({start.x(), start.y()});
        throw NurvoError(
            strprintf("no move found inside the area from the line end at %.4f %.4f to "
                      "the line at %.4f %.4f: no mission written\n",
                      g0.lat, g0.lon, g1.lat, g1.lon));
      }
      std::vector<Pt> path{from};
      path.insert(path.end(), corners->begin(), corners->end());
      path.push_back(start);
      mergeShortLegs(path, router_);
      for (std::size_t i = 1; i < path.size(); ++i) {
        r.moveMeters += length(path[i - 1], path[i]);
        if (i + 1 < path.size()) add(r, path[i], SurveyPointKind::move);
      }
      ++r.turns;
    }
    const SurveyPointKind kind = main ? SurveyPointKind::lineEnd : SurveyPointKind::tieLineEnd;
    add(r, start, kind);
    add(r, end, kind);
    r.lineMeters += std::abs(uEnd - uStart);
    if (main) {
      ++r.lines;
      r.mainLines.push_back({v, uStart, uEnd});
    } else {
      ++r.tieLines;
    }
  }

  static void add(Route& r, const Pt& p, SurveyPointKind kind) {
    if (!r.points.empty() && bg::equals(r.points.back(), p)) return;
    r.points.push_back(p);
    r.kinds.push_back(kind);
  }

  const SurveyArea& area_;
  const SurveySettings& settings_;
  FreeSpaceRouter router_;
  Pt corner_;
};

// Share of the free area within half a spacing of a main line. Lines `spacing` apart have strips
// that do not overlap, so each line's strip is measured on its own.
double coverage(const SurveyArea& area, const Frame& f, const std::vector<Flown>& lines,
                double spacing) {
  const double freeArea = bg::area(area.free);
  if (freeArea <= 0.0) return 0.0;
  std::map<double, std::vector<Flown>> byLine;
  for (const Flown& l : lines) byLine[l.v].push_back(l);
  const double h = spacing / 2.0;
  constexpr int capPoints = 16;
  double covered = 0.0;
  for (const auto& [v, flown] : byLine) {
    MultiPolygon strip;
    for (const Flown& l : flown) {
      const double u0 = std::min(l.uStart, l.uEnd);
      const double u1 = std::max(l.uStart, l.uEnd);
      Polygon stadium;
      for (int i = 0; i <= capPoints; ++i) {
        const double a = -std::numbers::pi / 2 + std::numbers::pi * i / capPoints;
        stadium.outer().push_back(f.plane(u1 + h * std::cos(a), v + h * std::sin(a)));
      }
      for (int i = 0; i <= capPoints; ++i) {
        const double a = std::numbers::pi / 2 + std::numbers::pi * i / capPoints;
        stadium.outer().push_back(f.plane(u0 + h * std::cos(a), v + h * std::sin(a)));
      }
      stadium.outer().push_back(stadium.outer().front());
      bg::correct(stadium);
      if (strip.empty()) {
        strip.push_back(std::move(stadium));
        continue;
      }
      MultiPolygon merged;
      bg::union_(strip, stadium, merged);
      strip = std::move(merged);
    }
    MultiPolygon inside;
    bg::intersection(strip, area.free, inside);
    covered += bg::area(inside);
  }
  return std::min(100.0, 100.0 * covered / freeArea);
}

[[noreturn]] void tooManyLines(const std::string& areaFile, long n) {
  throw NurvoError(
      strprintf("area file %s: the survey would need %ld lines; at most %ld are "
                "planned: widen the spacing\n",
                areaFile.c_str(), n, maxSurveyLines));
}

}  // namespace

SurveyPlan planSurvey(const SurveyArea& area, const SurveySettings& settings,
                      const std::string& areaFile) {
  Planner planner(area, settings, area.water);
  int bestTenth = 0;
  Route best;
  if (settings.heading) {
    const long n = planner.linesNeeded(*settings.heading);
    if (n > maxSurveyLines) tooManyLines(areaFile, n);
    best = planner.plan(*settings.heading);
  } else {
    // Headings in tenths of a degree; a heading over the line limit is no candidate.
    std::map<int, long long> tried;
    long fewest = LONG_MAX;
    bool any = false;
    auto tryHeading = [&](int tenth) {
      tenth = (tenth % 1800 + 1800) % 1800;
      if (tried.count(tenth) != 0) return;
      const long n = planner.linesNeeded(tenth / 10.0);
      fewest = std::min(fewest, n);
      if (n > maxSurveyLines) {
        tried[tenth] = LLONG_MAX;
        return;
      }
      Route r = planner.plan(tenth / 10.0);
      tried[tenth] = r.rankMillimetres();
      if (!any || tried[tenth] < best.rankMillimetres() ||
          (tried[tenth] == best.rankMillimetres() && tenth < bestTenth)) {
        best = std::move(r);
        bestTenth = tenth;
        any = true;
      }
    };
    for (int tenth = 0; tenth < 1800; tenth += 10) tryHeading(tenth);
    if (!any) tooManyLines(areaFile, fewest);
    std::vector<std::pair<long long, int>> whole;
    for (const auto& [tenth, mm] : tried) whole.emplace_back(mm, tenth);
    std::sort(whole.begin(), whole.end());
    whole.resize(std::min<std::size_t>(whole.size(), 3));
    for (const auto& [mm, tenth] : whole) {
      for (int d = -9; d <= 9; ++d) tryHeading(tenth + d);
    }
  }
  const double heading = settings.heading ? *settings.heading : bestTenth / 10.0;
  if (best.points.empty()) {
    throw NurvoError(
        strprintf("area file %s: no survey line fits in the area\n", areaFile.c_str()));
  }
  SurveyPlan plan;
  const std::size_t before = best.points.size();
  plan.launchInWater = planner.startInWater(best);
  plan.leadIn = best.points.size() != before;
  plan.runIns = best.runIns;
  plan.runInsShortened = best.runInsShortened;
  plan.heading = heading;
  plan.lines = best.lines;
  plan.tieLines = best.tieLines;
  plan.turns = best.turns;
  plan.lineMeters = best.lineMeters;
  plan.moveMeters = best.moveMeters;
  plan.coveragePercent = coverage(area, Frame(heading), best.mainLines, settings.spacing);
  for (std::size_t i = 0; i < best.points.size(); ++i) {
    const PlanePoint p{best.points[i].x(), best.points[i].y()};
    plan.points.push_back({area.plane.inverse(p), best.kinds[i]});
  }
  return plan;
}

}  // namespace nurvo
