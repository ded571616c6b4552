// Reading the route from a file in any of the formats nurvo takes: the plain waypoint file, GPX,
// KML, GeoJSON or CSV, chosen by the file's extension or by --input-format, and the choice among
// the routes of a file that holds several (--route).
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "importText.h"
#include "wptList.h"

namespace nurvo {

enum class InputFormat { plain, gpx, kml, geojson, csv };

// The readers of a file's text: its routes, and its polygons and points.
using RouteReader = std::vector<RouteCandidate> (*)(std::string_view text);
using ShapeReader = std::vector<PolygonShape> (*)(std::string_view text);

// One input format: how it is named, known by a file's name, read and bounded. Every choice made
// by the format reads its row, so a new format is a row here and a reader of its own.
struct InputFormatRow {
  InputFormat format;
  const char* name;   // as --input-format takes it
  const char* title;  // as messages name it: "GPX"
  // The endings of the file names read in this format, in any case, separated by blanks
  // (".geojson .json"); none for the plain file, which is what any other name is.
  std::string_view extensions;
  RouteReader readRoutes;  // null for the plain file, which the waypoint reader reads by lines
  ShapeReader readShapes;  // null where each route the file holds is a polygon's outer ring
  // The largest file read, in bytes (none for the plain file, read line by line). A file of
  // another format is read whole, and its parser holds several times the file's size: the XML
  // tree about 40 times (a 40 MB GPX route of a million points takes 1.5 GB), the JSON values
  // about 7 times.
  std::size_t maxBytes;
};
// The formats, the plain file first.
std::span<const InputFormatRow> inputFormats();
const InputFormatRow& inputFormatRow(InputFormat format);
// The names --input-format takes, for messages: "plain, gpx, kml, geojson, csv".
std::string inputFormatNames();
std::optional<InputFormat> inputFormatNamed(std::string_view name);

// The format a file's name asks for: .gpx, .kml, .geojson or .json, .csv (in any case); any other
// name is a plain waypoint file.
InputFormat formatOfFileName(std::string_view fileName);

// What the command line says about reading the route.
struct ImportSettings {
  std::optional<InputFormat> format;  // --input-format; by the file's name when not given
  std::optional<std::string> route;   // --route: a route's name, or its position from 1
};

// Asks which route to read of a file that holds several where --route names none: shown
// `listing` ("f holds 4 routes:" and the list of them, as the refusal shows it), returns the
// position from 1 of one of the `count` routes.
using RouteChooser = std::function<std::size_t(std::string_view listing, std::size_t count)>;

// The points of the route that a GPX, KML, GeoJSON or CSV file's text holds, in order; empty when
// it holds none. Where the file holds more than one route, `route` must name one of them (by a name
// that no other route has, or by position), or else `choose`, where given, chooses one; otherwise,
// on a file that holds no route ("f holds no LineString or Point: found 1 Polygon; ...") and on
// any refusal of the format's reader, NurvoError with the message that names the file `fileName`
// and, where there is one, the line and column. Messages list at most 20 routes, then how many
// more; names in them are cut after 60 characters, control characters shown as '?'.
std::vector<GeoPoint> importRoute(std::string_view bytes, InputFormat format,
                                  const std::string& fileName,
                                  const std::optional<std::string>& route,
                                  const RouteChooser& choose = {});
// The same, the route whole: read from one of nurvo's own exports, with every point as written.
RouteCandidate importRouteCandidate(std::string_view bytes, InputFormat format,
                                    const std::string& fileName,
                                    const std::optional<std::string>& route,
                                    const RouteChooser& choose = {});

// The polygons (and points) that a GPX, KML, GeoJSON or CSV file's text holds, in file order; empty
// when it holds none. A GeoJSON or KML file gives every Polygon, holes and all, every part of a
// MultiPolygon or MultiGeometry and every Point (readGeoJsonShapes, readKmlShapes); a GPX or CSV
// file gives each of its routes (or tracks, or its list of points) as an outer ring, open or
// closed, named as the route. Refuses (NurvoError, naming `fileName` and where there is one the
// line and column) what the format's reader refuses.
std::vector<PolygonShape> importPolygons(std::string_view bytes, InputFormat format,
                                         const std::string& fileName);

// What the text of an input file other than a plain one is handed to: the format's route or
// polygon reader, through importRouteCandidate's or importPolygons' refusals.
using TextReader = std::function<void(std::string_view bytes)>;

// The one way into every input file, routes and polygons alike: reads file `name`, open as `file`,
// in `format`. A plain file goes line by line through the waypoint reader, its waypoints appended
// to `waypoints` (and with `copy`, every byte read to `copy`); the bytes of any other format are
// read whole and handed to `readText`. False where `file` is null or a read fails, which the caller
// reports in the words of its mode. A file over the format's maxBytes ends the run (NurvoError),
// and so does whatever the waypoint reader or `readText` refuses.
[[nodiscard]] bool readInputFile(std::FILE* file, const std::string& name,
                                 const InputFormatRow& format, wptList& waypoints,
                                 const TextReader& readText, std::string* copy = nullptr);

// Reads the route file `name`, open as `file`, into `list` in the format `settings` or its name
// asks for, with `choose` choosing among several routes as importRoute says. With `copy` keeps the
// text to show as well: every byte of a plain waypoint file, the points read of another format as
// the lines of a plain file ("36.8167 -121.817"). False on a read error, which the caller reports
// in the words of its mode. A refused file, one over its format's maxBytes, or one with more than
// maxRouteNodes points ends the run (NurvoError).
// Read back from one of nurvo's own exports, the waypoints keep their kinds (line end, move) and
// the list the export's points as written (wptList::written).
[[nodiscard]] bool readRouteFile(std::FILE* file, const std::string& name,
                                 const ImportSettings& settings, wptList& list,
                                 std::string* copy = nullptr, const RouteChooser& choose = {});

}  // namespace nurvo
