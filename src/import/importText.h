// What the readers of route files share: positions in a file's text, the refusal that carries one,
// the strict reading of a coordinate, and the checks on a file's bytes before any format sees them.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geoPoint.h"

namespace nurvo {

// A point of one of nurvo's own exports as written, with its kind ("launch", "survey", "line end",
// "move" or "inserted").
struct ExportedPoint {
  GeoPoint point;
  std::string kind;
};

// A route a file offers: its name (empty where it has none) and its points in order. Read from one
// of nurvo's own exports, `exported` holds every point as written, the launch waypoint first, and
// `points` those the run does not make again (exportedRoute).
struct RouteCandidate {
  std::string name;
  std::vector<GeoPoint> points;
  std::vector<ExportedPoint> exported = {};
};

// Whether a point of one of nurvo's own exports is left out when the file is read back: the launch
// waypoint and the points inserted by cutting are made again by the run.
bool isMadeByRun(std::string_view kind);
// Whether `kind` is one that nurvo's exports give their points.
bool isExportKind(std::string_view kind);
// Whether `kinds`, the kinds of a file's points in order, are those of nurvo's own export: the
// launch waypoint first and only there, every other point survey, line end, move or inserted, and
// at least one waypoint not made by the run.
bool exportKindsInOrder(const std::vector<std::string>& kinds);
// Whether `text` is the description nurvo's exports give a route: "44 waypoints: launch 0, ...;
// total length ...; maxLegMeters ...".
bool isExportDescription(std::string_view text);
// The route of an export read back: the points not made by the run, and every point as written.
RouteCandidate exportedRoute(std::string name, std::vector<ExportedPoint> points);
// The routes of a file of lines and points, as KML and GeoJSON give them: nurvo's own export read
// back (exportedRoute) where the file bears an export's marks (`exportMarks`) and its points' kinds
// are an export's in order; else each line a route; where there is none, the points as one route;
// empty where there are neither.
std::vector<RouteCandidate> linesElsePoints(std::vector<RouteCandidate> lines,
                                            std::vector<ExportedPoint> points, bool exportMarks);

// A place in a file's text: line and column from 1, the column in characters (a UTF-8 sequence is
// one character, and so is a byte that is not part of one); 0 where it is not known.
struct TextPos {
  std::size_t line = 0;
  std::size_t column = 0;
};
// The position of byte `offset` of `text` (offset <= text.size()).
TextPos positionAt(std::string_view text, std::size_t offset);

// The deepest nesting a reader takes: elements inside elements (XML), arrays and objects inside
// one another (JSON). A route or area needs a few levels; the limit is checked on the text, before
// a parser (whose reading and freeing of a tree go deeper with every level) sees it.
constexpr std::size_t maxNesting = 256;

// A shape of a polygon file (an area, a keep-out): a polygon, its outer ring first and then its
// holes, or a point (one ring of one position), with what the file says of it.
struct PolygonShape {
  std::string name;         // the Feature's "name" (else its "id"), the Placemark's <name>
  std::string role;         // the "role" nurvo's own exports give their polygons; empty elsewhere
  TextPos where;            // the geometry's place in the file's text; 0 where not known
  std::size_t feature = 0;  // from 1; the parts of one MultiPolygon or MultiGeometry share it
  bool point = false;
  std::vector<std::vector<GeoPoint>> rings;
};

// A file refused by a reader: where, and what was expected or found. The file's name is added by
// whoever knows it (importMessage).
class ImportError : public std::runtime_error {
 public:
  ImportError(TextPos where, const std::string& what) : std::runtime_error(what), pos(where) {}
  TextPos pos;
};

// What a file holds where it holds no route a reader takes: what was looked for and what was
// found instead, "holds no LineString or Point: found 1 Polygon". Told apart from other refusals
// so that the message can name the file first.
class NoRouteFound : public ImportError {
 public:
  explicit NoRouteFound(const std::string& what) : ImportError({}, what) {}
};

// The words "found 2 Polygons, 1 MultiPoint" for a count of each kind of thing a file holds, in
// the order given, "" where it holds nothing; the plural adds an "s" to the first word.
std::string foundList(const std::vector<std::pair<std::string, std::size_t>>& counts);

// "route.gpx:12:5: what\n", without the column or the line where they are not known.
std::string importMessage(const std::string& fileName, const ImportError& e);

// A coordinate as written in a file, read by the number grammar of the plain waypoint file: blanks
// around it allowed, nothing else. Refused (ImportError at `where`) when empty, not a decimal
// number (a decimal comma named as such), not finite, or outside [-90, 90] / [-180, 180].
enum class Axis { latitude, longitude };
double parseCoordinate(std::string_view text, Axis axis, TextPos where);
// The same checks for a number already converted by a parser (JSON): finite and in range.
double checkCoordinate(double value, Axis axis, TextPos where);

// A coordinate read strictly: as written (parseCoordinate), or as a parser converted it
// (checkCoordinate), its refusal without a position.
inline double readCoordinate(std::string_view text, Axis axis) {
  return parseCoordinate(text, axis, {});
}
inline double readCoordinate(double value, Axis axis) {
  return checkCoordinate(value, axis, {});
}

// A position from its two coordinates, read in the order `first` and then the other axis, as the
// file writes them: `value(axis)` gives one as written or converted (its own refusals keep their
// place), and a coordinate refused is placed where `where(axis)` says. The position is looked for
// only then, as finding one may walk the whole text.
template <class Value, class Where>
GeoPoint coordinatePair(Axis first, Value value, Where where) {
  GeoPoint p;
  for (const Axis axis : {first, first == Axis::latitude ? Axis::longitude : Axis::latitude}) {
    const auto v = value(axis);
    try {
      (axis == Axis::latitude ? p.lat : p.lon) = readCoordinate(v, axis);
    } catch (const ImportError& e) {
      throw ImportError(where(axis), e.what());
    }
  }
  return p;
}

// The text of a route file as its reader is to see it: a UTF-8 byte order mark skipped. A file in
// UTF-16 (with or without its mark) or with a NUL byte anywhere is refused with its position.
std::string_view routeFileText(std::string_view bytes);

}  // namespace nurvo
