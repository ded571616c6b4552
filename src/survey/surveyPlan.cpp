#include "surveyPlan.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <tuple>

#include "freeSpaceRouter.h"
#include "message.h"
#include "nurvoError.h"

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

// How far the positions as the files write them (to writtenDecimals) may lie from the planned
// ones on the plane of the area.
struct WrittenError {
  double north = 0.0;  // metres, the most a rounded latitude moves a point
  double east = 0.0;   // metres, the same for a longitude, on the parallel nearest the equator
  double turn = 0.0;   // radians, the most the plane's north turns from true north over the area

  // The most a written point lies from its planned one in any direction.
  double anywhere() const { return std::hypot(north, east); }

  // The most a written point lies from its planned one across the lines of `f`. A turn of the
  // plane's axes by t changes each part of a unit vector by at most t.
  double across(const Frame& f) const {
    return std::min(anywhere(), east * (std::abs(f.c) + turn) + north * (std::abs(f.s) + turn));
  }
};

// The rounding errors over the area's outer ring and `beyond` metres around it, sampled on a grid
// over its bounds that takes in their corners, where the plane's north turns most.
WrittenError writtenError(const SurveyArea& area, double beyond) {
  bg::model::box<Pt> env;
  bg::envelope(area.area.outer(), env);
  const Pt lo(env.min_corner().x() - beyond, env.min_corner().y() - beyond);
  const Pt hi(env.max_corner().x() + beyond, env.max_corner().y() + beyond);
  double widest = 0.0;  // the largest cosine of a latitude
  double turn = 0.0;
  constexpr int steps = 8;
  for (int i = 0; i <= steps; ++i) {
    for (int j = 0; j <= steps; ++j) {
      const PlanePoint p{lo.x() + (hi.x() - lo.x()) * i / steps,
                         lo.y() + (hi.y() - lo.y()) * j / steps};
      const GeoPoint g = area.plane.inverse(p);
      widest = std::max(widest, std::cos(g.lat * std::numbers::pi / 180.0));
      const PlanePoint q = area.plane.forward({g.lat + 0.001, g.lon});
      turn = std::max(turn, std::abs(std::atan2(q.x - p.x, q.y - p.y)));
    }
  }
  // Lengths on the plane are true to 2 parts in 10 000 within the widest area planned.
  constexpr double planeScale = 1.0002;
  const double degree = LocalPlane::earthRadius * std::numbers::pi / 180.0;
  WrittenError e;
  e.north = writtenRounding * degree * planeScale;
  e.east = e.north * widest;
  // The cosine of the latitude on the sampled grid may miss the equator by a little.
  if (widest > 0.9999) e.east = e.north;
  e.turn = turn;
  return e;
}

// How many lines at most `widest` apart cover the area across the heading of `f`, where the
// first one lies and the gap between neighbours: the lines are spread evenly over the area's
// extent with half a gap to each side, so none lies on the extent's edges, where a line would
// only graze the area.
long lineCount(const Polygon& area, const Frame& f, double widest, double& firstV, double& gap) {
  double vMin = INFINITY;
  double vMax = -INFINITY;
  for (const Pt& p : area.outer()) {
    vMin = std::min(vMin, f.v(p));
    vMax = std::max(vMax, f.v(p));
  }
  const double lines = std::max(1.0, std::ceil((vMax - vMin) / widest));
  if (lines > static_cast<double>(maxSurveyLines) * 1000.0) return maxSurveyLines * 1000;
  const auto n = static_cast<long>(lines);
  gap = (vMax - vMin) / static_cast<double>(n);
  firstV = vMin + gap / 2.0;
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

// The pieces of `lines` cut to those of `within`, the same lines laid over another space: what
// lies on both.
void clipPieces(std::vector<ScanLine>& lines, const std::vector<ScanLine>& within) {
  for (std::size_t k = 0; k < lines.size(); ++k) {
    std::vector<Piece> both;
    for (const Piece& p : lines[k].pieces) {
      for (const Piece& q : within[k].pieces) {
        const Piece common{std::max(p.u0, q.u0), std::min(p.u1, q.u1)};
        if (common.u1 - common.u0 >= shortestPiece) both.push_back(common);
      }
    }
    lines[k].pieces = std::move(both);
  }
}

// Whether two polygons have the same rings, point for point.
bool sameRings(const Polygon& a, const Polygon& b) {
  const auto same = [](const Polygon::ring_type& r, const Polygon::ring_type& q) {
    return std::equal(r.begin(), r.end(), q.begin(), q.end(),
                      [](const Pt& p, const Pt& o) { return p.x() == o.x() && p.y() == o.y(); });
  };
  return same(a.outer(), b.outer()) && std::equal(a.inners().begin(), a.inners().end(),
                                                  b.inners().begin(), b.inners().end(), same);
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

struct Route {
  std::vector<Pt> points;
  std::vector<WaypointKind> kinds;
  // Each line's start in `points` (its end follows), and whether it is a main line.
  std::vector<std::pair<std::size_t, bool>> lineStarts;
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
  // Estimated share of the free area within half a spacing of a main line, from 0 to 1.
  double coveredShare = 0.0;
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

// The widest gap lines may be planned with so that, as written, they lie at most `spacing` apart
// and at most half of it from the area's edges.
double widestGap(double spacing, const Frame& f, const WrittenError& e) {
  return spacing - 2.0 * e.across(f);
}

class Planner {
 public:
  // Lines are laid in `lineSpace` and moves routed in `moveSpace`: both kept clear of the area's
  // boundary by the most a written position lies off.
  Planner(const SurveyArea& area, const SurveySettings& settings, const Polygon& lineSpace,
          const Polygon& moveSpace, const WrittenError& error)
      : area_(area),
        settings_(settings),
        lineSpace_(lineSpace),
        moveSpace_(moveSpace),
        clipToMoves_(!sameRings(lineSpace, moveSpace)),
        error_(error),
        router_(moveSpace) {
    Polygon::ring_type box;
    bg::model::box<Pt> env;
    bg::envelope(area.area, env);
    const bool west = settings.start == StartCorner::sw || settings.start == StartCorner::nw;
    const bool south = settings.start == StartCorner::sw || settings.start == StartCorner::se;
    corner_ = Pt(west ? env.min_corner().x() : env.max_corner().x(),
                 south ? env.min_corner().y() : env.max_corner().y());
    bg::model::box<Pt> freeBox;
    bg::envelope(area.free, freeBox);
    const Pt lo = freeBox.min_corner();
    const Pt hi = freeBox.max_corner();
    for (int i = 0; i < coverageSamples; ++i) {
      for (int j = 0; j < coverageSamples; ++j) {
        const Pt p(lo.x() + (hi.x() - lo.x()) * (i + 0.5) / coverageSamples,
                   lo.y() + (hi.y() - lo.y()) * (j + 0.5) / coverageSamples);
        if (bg::covered_by(p, area.free)) samples_.push_back(p);
      }
    }
  }

  // Lines needed at `headingDeg`, main and tie lines together.
  long linesNeeded(double headingDeg) const {
    double first = 0.0;
    double gap = 0.0;
    const Frame f(headingDeg);
    long n = lineCount(area_.free, f, widestGap(settings_.spacing, f, error_), first, gap);
    if (settings_.tieLineSpacing > 0.0) {
      const Frame t(headingDeg + 90.0);
      n += lineCount(area_.free, t, widestGap(settings_.tieLineSpacing, t, error_), first, gap);
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
    // The launch waypoint is placed behind the first leg as the files write its ends: a short
    // first leg turns by several degrees when its ends are rounded.
    const auto launchOf = [&](const Pt& from, const Pt& to) {
      const Pt a = asWritten(from);
      const Pt b = asWritten(to);
      return along(a, std::atan2(b.y() - a.y(), b.x() - a.x()), -behind);
    };
    if (launchClear(launchOf(first, r.points[1]), asWritten(first))) return true;
    for (const std::size_t i : endsNearStart(r)) {
      const Pt to = r.points[i];
      for (int turn = 0; turn <= 180; turn += 5) {
        for (const int sense : {1, -1}) {
          if (sense == -1 && (turn == 0 || turn == 180)) continue;
          const double a = heading + sense * turn * std::numbers::pi / 180.0;
          const Pt leadIn = along(to, a, -leadInLeg);
          if (!launchClear(launchOf(leadIn, to), asWritten(leadIn)) ||
              !router_.clear(asWritten(leadIn), asWritten(to))) {
            continue;
          }
          std::vector<Pt> path{leadIn};
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
          r.kinds.insert(r.kinds.begin(), path.size(), WaypointKind::move);
          for (auto& start : r.lineStarts) start.first += path.size();
          return true;
        }
      }
    }
    return false;
  }

 private:
  // The line ends of the route nearest its first point, nearest first; a few dozen are enough to
  // find open water.
  static std::vector<std::size_t> endsNearStart(const Route& r) {
    const Pt first = r.points[0];
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < r.points.size(); ++i) {
      if (r.kinds[i] != WaypointKind::move) ends.push_back(i);
    }
    std::stable_sort(ends.begin(), ends.end(), [&](std::size_t a, std::size_t b) {
      return length(first, r.points[a]) < length(first, r.points[b]);
    });
    ends.resize(std::min<std::size_t>(ends.size(), 40));
    return ends;
  }

  // `p` where the files write it: rounded to the decimals of a written position.
  Pt asWritten(const Pt& p) const {
    const PlanePoint q = area_.plane.forward(writtenPosition(area_.plane.inverse({p.x(), p.y()})));
    return Pt(q.x, q.y);
  }

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
    // The router's tests take both ends to lie in its space; a written position may lie a
    // rounding outside it, so the leg is tested against the water itself as well.
    return bg::covered_by(bg::model::linestring<Pt>{launch, to}, area_.water);
  }

  // One line's pieces made ready to fly. Pieces a short straight move apart inside the space are
  // one line: where a line only grazes the boundary, or leaves the area for less than its run-ins
  // reach, it would otherwise be flown as two with a hop between. A piece too short to fly, where
  // a line crosses a headland's tip or a corner, is left out; what it would have covered counts
  // against the heading as the rest of the shortfall. It is judged as the files write its ends,
  // run-ins included: a strip of water only a little wider than the clearance kept either side
  // still takes its lines.
  void joinAndTrim(const Frame& f, ScanLine& line, Route& r) const {
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
    std::erase_if(line.pieces, [&](const Piece& p) {
      // As written, either end may come nearer the other by the rounding.
      if (p.u1 - p.u0 >= shortestMoveLeg + 2.0 * error_.anywhere()) return false;
      const RunIns runIns = runInsOf(f, line.v, p);
      if (length(asWritten(f.plane(p.u0 - runIns.before, line.v)),
                 asWritten(f.plane(p.u1 + runIns.after, line.v))) >= shortestMoveLeg) {
        return false;
      }
      r.shortfallMeters += p.u1 - p.u0;
      return true;
    });
  }

  // Where to enter a cell: its first or last line, at its left (u0) or right end.
  struct Entry {
    std::size_t cell = 0;
    bool fromLast = false;
    bool fromRight = false;
  };

  // The nearest way from `here` into a cell not yet flown: at its first or last line, at either
  // end, compared to the millimetre so that the choice does not hang on the last bits.
  static Entry nearestEntry(const Frame& f, const std::vector<ScanLine>& lines,
                            const std::vector<Cell>& cells, const std::vector<bool>& done,
                            const Pt& here) {
    long long best = LLONG_MAX;
    Entry entry;
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
            entry = {c, last, right};
          }
        }
      }
    }
    return entry;
  }

  void cover(const Frame& f, double spacing, bool main, Route& r) {
    // The lines are spread over the area's full extent, but laid only where a written position
    // stays inside it.
    double firstV = 0.0;
    double gap = 0.0;
    const long n = lineCount(area_.free, f, widestGap(spacing, f, error_), firstV, gap);
    std::vector<ScanLine> lines = scanLines(lineSpace_, f, n, firstV, gap);
    // Water beyond the area is shrunk on its own, and a shrunk shore comes out a little
    // differently each time (by millimetres to centimetres): a line's end just beyond the move
    // space would start no move, and its run-in would run on over the shore. Lines end where
    // both spaces do.
    if (clipToMoves_) clipPieces(lines, scanLines(moveSpace_, f, n, firstV, gap));
    r.shortfallMeters += shortfall(lines, scanLines(lineSpace_, f, n + 1, firstV - gap / 2.0, gap));
    for (ScanLine& line : lines) joinAndTrim(f, line, r);
    if (main) r.coveredShare = coveredShare(f, lines, firstV, gap);
    const std::vector<Cell> cells = cellsOf(lines);
    std::vector<bool> done(cells.size(), false);
    for (std::size_t left = cells.size(); left > 0; --left) {
      const Entry entry =
          nearestEntry(f, lines, cells, done, r.points.empty() ? corner_ : r.points.back());
      done[entry.cell] = true;
      const Cell& cell = cells[entry.cell];
      bool forward = !entry.fromRight;
      for (std::size_t i = 0; i < cell.pieces.size(); ++i) {
        const std::size_t idx = entry.fromLast ? cell.pieces.size() - 1 - i : i;
        const ScanLine& line = lines[cell.firstLine + idx];
        fly(f, line.v, line.pieces[cell.pieces[idx]], forward, main, r);
        forward = !forward;
      }
    }
  }

  // The share of the sample points within half a spacing of a piece of `lines`.
  double coveredShare(const Frame& f, const std::vector<ScanLine>& lines, double firstV,
                      double gap) const {
    if (samples_.empty() || lines.empty()) return 0.0;
    const double h = settings_.spacing / 2.0;
    const auto last = static_cast<long>(lines.size()) - 1;
    const long reach = gap > 0.0 ? static_cast<long>(std::ceil(h / gap)) + 1 : last;
    long covered = 0;
    for (const Pt& p : samples_) {
      const double u = f.u(p);
      const double v = f.v(p);
      const long k = gap > 0.0 ? std::lround((v - firstV) / gap) : 0;
      bool near = false;
      for (long j = std::max(0L, k - reach); j <= std::min(last, k + reach) && !near; ++j) {
        const ScanLine& line = lines[static_cast<std::size_t>(j)];
        const double dv = v - line.v;
        if (std::abs(dv) > h) continue;
        for (const Piece& q : line.pieces) {
          const double du = u < q.u0 ? q.u0 - u : u > q.u1 ? u - q.u1 : 0.0;
          if (du * du + dv * dv <= h * h) {
            near = true;
            break;
          }
        }
      }
      covered += near ? 1 : 0;
    }
    return static_cast<double>(covered) / static_cast<double>(samples_.size());
  }

  // How far a piece's line runs on beyond its ends along the line, before u0 and after u1: each
  // run-in as far as the water allows, up to the length asked; none without run-ins.
  struct RunIns {
    double before = 0.0;
    double after = 0.0;
  };
  RunIns runInsOf(const Frame& f, double v, const Piece& piece) const {
    if (settings_.runIn <= 0.0) return {};
    return {router_.reach(f.plane(piece.u0, v), -f.s, -f.c, settings_.runIn),
            router_.reach(f.plane(piece.u1, v), f.s, f.c, settings_.runIn)};
  }

  void fly(const Frame& f, double v, const Piece& piece, bool forward, bool main, Route& r) {
    const RunIns runIns = runInsOf(f, v, piece);
    const double uStart = forward ? piece.u0 - runIns.before : piece.u1 + runIns.after;
    const double uEnd = forward ? piece.u1 + runIns.after : piece.u0 - runIns.before;
    if (settings_.runIn > 0.0) {
      r.runIns += 2;
      r.runInsShortened +=
          (runIns.before < settings_.runIn ? 1 : 0) + (runIns.after < settings_.runIn ? 1 : 0);
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
                      "the line at %.4f %.4f%s\n",
                      g0.lat, g0.lon, g1.lat, g1.lon, noMissionWritten));
      }
      std::vector<Pt> path{from};
      path.insert(path.end(), corners->begin(), corners->end());
      path.push_back(start);
      mergeShortLegs(path, router_);
      for (std::size_t i = 1; i < path.size(); ++i) {
        r.moveMeters += length(path[i - 1], path[i]);
        if (i + 1 < path.size()) add(r, path[i], WaypointKind::move);
      }
      ++r.turns;
    }
    const WaypointKind kind = main ? WaypointKind::lineEnd : WaypointKind::tieLineEnd;
    add(r, start, kind);
    r.lineStarts.emplace_back(r.points.size() - 1, main);
    add(r, end, kind);
    r.lineMeters += std::abs(uEnd - uStart);
    if (main) {
      ++r.lines;
    } else {
      ++r.tieLines;
    }
  }

  static void add(Route& r, const Pt& p, WaypointKind kind) {
    if (!r.points.empty() && bg::equals(r.points.back(), p)) return;
    r.points.push_back(p);
    r.kinds.push_back(kind);
  }

  const SurveyArea& area_;
  const SurveySettings& settings_;
  const Polygon& lineSpace_;
  const Polygon& moveSpace_;
  bool clipToMoves_;  // the spaces differ: lines are cut to the move space too
  WrittenError error_;
  FreeSpaceRouter router_;
  Pt corner_;
  // Points of the free area on a grid over its bounds, on which headings' coverage is compared.
  static constexpr int coverageSamples = 48;
  std::vector<Pt> samples_;
};

// `poly` shrunk by `distance` metres (> 0): every point of the result lies at least that far
// inside `poly`. Round joins where the boundary turns into the polygon, their drawn arcs outside
// the true ones, as in grown().
MultiPolygon shrunk(const Polygon& poly, double distance) {
  namespace sb = bg::strategy::buffer;
  const double raised = distance / std::cos(std::numbers::pi / pointsPerCircle) + 0.001;
  MultiPolygon out;
  bg::buffer(poly, out, sb::distance_symmetric<double>(-raised), sb::side_straight(),
             sb::join_round(pointsPerCircle), sb::end_round(pointsPerCircle),
             sb::point_circle(pointsPerCircle));
  return out;
}

// The largest part of `parts`, or the one holding `at` when given; none when there is none.
std::optional<Polygon> partOf(const MultiPolygon& parts, const std::optional<Pt>& at) {
  const Polygon* best = nullptr;
  for (const Polygon& part : parts) {
    if (at) {
      if (bg::covered_by(*at, part)) return part;
    } else if (best == nullptr || bg::area(part) > bg::area(*best)) {
      best = &part;
    }
  }
  if (best == nullptr) return std::nullopt;
  return *best;
}

// Share of the free area within half a spacing of a main line as written, each line given by its
// ends on the plane. Neighbouring lines' strips may overlap, so they are merged first, pairwise in
// the order across the lines so that each union stays small.
double coverage(const SurveyArea& area, std::vector<std::pair<Pt, Pt>> lines, double spacing,
                const Frame& f) {
  const double freeArea = bg::area(area.free);
  if (freeArea <= 0.0 || lines.empty()) return 0.0;
  std::sort(lines.begin(), lines.end(), [&](const auto& a, const auto& b) {
    return f.v(a.first) + f.v(a.second) < f.v(b.first) + f.v(b.second);
  });
  const double h = spacing / 2.0;
  constexpr int capPoints = 16;
  std::vector<MultiPolygon> strips;
  for (const auto& [a, b] : lines) {
    const double along = std::atan2(b.y() - a.y(), b.x() - a.x());
    Polygon stadium;
    for (const auto& [end, from] : {std::pair{b, along}, std::pair{a, along + std::numbers::pi}}) {
      for (int i = 0; i <= capPoints; ++i) {
        const double t = from - std::numbers::pi / 2 + std::numbers::pi * i / capPoints;
        stadium.outer().emplace_back(end.x() + h * std::cos(t), end.y() + h * std::sin(t));
      }
    }
    stadium.outer().push_back(stadium.outer().front());
    bg::correct(stadium);
    strips.push_back(MultiPolygon{std::move(stadium)});
  }
  while (strips.size() > 1) {
    std::vector<MultiPolygon> merged;
    for (std::size_t i = 0; i < strips.size(); i += 2) {
      if (i + 1 == strips.size()) {
        merged.push_back(std::move(strips[i]));
        continue;
      }
      MultiPolygon both;
      bg::union_(strips[i], strips[i + 1], both);
      merged.push_back(std::move(both));
    }
    strips = std::move(merged);
  }
  MultiPolygon inside;
  bg::intersection(strips.front(), area.free, inside);
  return std::min(100.0, 100.0 * bg::area(inside) / freeArea);
}

// The plan as the files write it: every position rounded, each leg checked to stay inside the
// move space and clear of the keep-outs' margins, the lengths and the coverage measured on the
// written positions.
SurveyPlan writtenPlan(const SurveyArea& area, const Route& route, double heading,
                       const SurveySettings& settings, const Polygon& moves,
                       const std::string& areaFile) {
  std::vector<GeoPoint> written;
  std::vector<Pt> at;
  for (const Pt& p : route.points) {
    written.push_back(writtenPosition(area.plane.inverse({p.x(), p.y()})));
    const PlanePoint q = area.plane.forward(written.back());
    at.emplace_back(q.x, q.y);
  }
  const FreeSpaceRouter check(moves);
  for (std::size_t i = 0; i < at.size(); ++i) {
    const bool off = bg::distance(at[i], moves) > FreeSpaceRouter::slack;
    if (off || (i + 1 < at.size() && !check.clear(at[i], at[i + 1]))) {
      const GeoPoint& to = written[std::min(i + 1, at.size() - 1)];
      throw NurvoError(strprintf(
          "area file %s: the route as written leaves the area between %.4f %.4f and %.4f %.4f%s\n",
          areaFile.c_str(), written[i].lat, written[i].lon, to.lat, to.lon, noMissionWritten));
    }
  }
  SurveyPlan plan;
  plan.heading = heading;
  plan.lines = route.lines;
  plan.tieLines = route.tieLines;
  plan.turns = route.turns;
  double total = 0.0;
  for (std::size_t i = 0; i + 1 < at.size(); ++i) total += length(at[i], at[i + 1]);
  std::vector<std::pair<Pt, Pt>> mainLines;
  for (const auto& [start, main] : route.lineStarts) {
    plan.lineMeters += length(at[start], at[start + 1]);
    if (main) mainLines.emplace_back(at[start], at[start + 1]);
  }
  plan.moveMeters = std::max(0.0, total - plan.lineMeters);
  plan.coveragePercent = coverage(area, std::move(mainLines), settings.spacing, Frame(heading));
  for (std::size_t i = 0; i < written.size(); ++i) {
    // A corner of a move written onto its neighbour is the same waypoint, and a line's end (of a
    // main or a tie line) keeps its kind.
    if (!plan.points.empty() && plan.points.back().pos.lat == written[i].lat &&
        plan.points.back().pos.lon == written[i].lon) {
      if (route.kinds[i] != WaypointKind::move) plan.points.back().kind = route.kinds[i];
      continue;
    }
    plan.points.push_back({written[i], route.kinds[i]});
  }
  return plan;
}

[[noreturn]] void tooManyLines(const std::string& areaFile, long n) {
  throw NurvoError(
      strprintf("area file %s: the survey would need %ld lines; at most %ld are "
                "planned: widen the spacing\n",
                areaFile.c_str(), n, maxSurveyLines));
}

[[noreturn]] void tooNarrow(const char* what, double spacing, double across) {
  throw NurvoError(
      strprintf("the %s (%g m) must be wider than %.1f m: positions written to %d decimals of a "
                "degree lie up to %.1f m off across the lines\n",
                what, spacing, 2.0 * across, writtenDecimals, across));
}

// The spaces lines and moves keep to: the free area and the move space, shrunk by the most a
// written position lies off, so that every leg between written positions stays inside them. Where
// shrinking cuts off a narrow part, the largest part is kept.
struct PlanningSpaces {
  Polygon lines;
  Polygon moves;
};

PlanningSpaces planningSpaces(const SurveyArea& area, const Polygon& moves, double clearance,
                              const std::string& areaFile) {
  const std::optional<Polygon> lines = partOf(shrunk(area.free, clearance), std::nullopt);
  if (!lines) {
    throw NurvoError(
        strprintf("area file %s: no survey line fits in the area: it is nowhere wider than "
                  "the %.1f m that positions written to %d decimals of a degree need\n",
                  areaFile.c_str(), 2.0 * clearance, writtenDecimals));
  }
  Pt inside(0.0, 0.0);
  bg::point_on_surface(*lines, inside);
  const std::optional<Polygon> space = partOf(shrunk(moves, clearance), inside);
  return {*lines, space ? *space : *lines};
}

}  // namespace

// The heading the search finds, in tenths of a degree; none when no heading flies a line. A
// heading over the line limit, or with no line to fly, is no candidate. Of the candidates, those
// that cover nearly as much as the best one does compete on the length of their routes: a heading
// does not win by leaving part of the area out, as one along a narrow channel's axis but a little
// off it would.
std::optional<int> searchedHeading(Planner& planner, const std::string& areaFile) {
  struct Tried {
    long long mm = LLONG_MAX;
    double share = -1.0;
  };
  std::map<int, Tried> tried;
  long fewest = LONG_MAX;
  auto tryHeading = [&](int tenth) {
    tenth = (tenth % 1800 + 1800) % 1800;
    if (tried.count(tenth) != 0) return;
    const long n = planner.linesNeeded(tenth / 10.0);
    fewest = std::min(fewest, n);
    tried[tenth] = Tried{};
    if (n > maxSurveyLines) return;
    const Route r = planner.plan(tenth / 10.0);
    if (r.points.empty()) return;
    tried[tenth] = Tried{r.rankMillimetres(), r.coveredShare};
  };
  // The candidates in order, the best first: the shortest among those covering within
  // coverageTolerance of the most, the smaller heading on a tie.
  constexpr double coverageTolerance = 0.005;
  auto ranked = [&](bool wholeOnly) {
    double most = 0.0;
    for (const auto& [tenth, t] : tried) most = std::max(most, t.share);
    std::vector<std::pair<long long, int>> order;
    for (const auto& [tenth, t] : tried) {
      if (t.mm == LLONG_MAX || t.share < most - coverageTolerance) continue;
      if (!wholeOnly || tenth % 10 == 0) order.emplace_back(t.mm, tenth);
    }
    std::sort(order.begin(), order.end());
    return order;
  };
  for (int tenth = 0; tenth < 1800; tenth += 10) tryHeading(tenth);
  if (ranked(false).empty()) {
    if (fewest > maxSurveyLines) tooManyLines(areaFile, fewest);
    // An area so narrow that no whole degree fits a line, such as a long channel off them, may
    // still take one at a heading between.
    for (int tenth = 0; tenth < 1800; ++tenth) tryHeading(tenth);
  }
  std::vector<std::pair<long long, int>> whole = ranked(true);
  whole.resize(std::min<std::size_t>(whole.size(), 3));
  for (const auto& [mm, tenth] : whole) {
    for (int d = -9; d <= 9; ++d) tryHeading(tenth + d);
  }
  const std::vector<std::pair<long long, int>> all = ranked(false);
  if (all.empty()) return std::nullopt;
  return all.front().second;
}

SurveyPlan planSurvey(const SurveyArea& area, const SurveySettings& settings,
                      const std::string& areaFile) {
  const WrittenError error = writtenError(area, settings.runIn);
  // Every written position lies within `clearance` of its planned one; the router's own slack
  // comes on top.
  const double clearance = error.anywhere() + 2.0 * FreeSpaceRouter::slack;
  for (const auto& [what, spacing, turn] :
       {std::tuple{"line spacing", settings.spacing, 0.0},
        std::tuple{"tie line spacing", settings.tieLineSpacing, 90.0}}) {
    if (spacing <= 0.0) continue;
    const double across =
        settings.heading ? error.across(Frame(*settings.heading + turn)) : error.anywhere();
    if (spacing <= 2.0 * across) tooNarrow(what, spacing, across);
  }
  // Moves, run-ins and the launch keep to the water (the operating area less holes and margins).
  const Polygon& moves = area.water;
  const PlanningSpaces spaces = planningSpaces(area, moves, clearance, areaFile);
  Planner planner(area, settings, spaces.lines, spaces.moves, error);
  int bestTenth = 0;
  Route best;
  if (settings.heading) {
    const long n = planner.linesNeeded(*settings.heading);
    if (n > maxSurveyLines) tooManyLines(areaFile, n);
    best = planner.plan(*settings.heading);
  } else if (const std::optional<int> tenth = searchedHeading(planner, areaFile)) {
    bestTenth = *tenth;
    best = planner.plan(bestTenth / 10.0);
  }
  const double heading = settings.heading ? *settings.heading : bestTenth / 10.0;
  if (best.points.empty()) {
    throw NurvoError(
        strprintf("area file %s: no survey line fits in the area\n", areaFile.c_str()));
  }
  const std::size_t before = best.points.size();
  const bool launchInWater = planner.startInWater(best);
  SurveyPlan plan = writtenPlan(area, best, heading, settings, moves, areaFile);
  plan.launchInWater = launchInWater;
  plan.leadIn = best.points.size() != before;
  plan.runIns = best.runIns;
  plan.runInsShortened = best.runInsShortened;
  return plan;
}

}  // namespace nurvo
