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

struct InputFormatName {
  InputFormat format;
  const char* name;  // as --input-format takes it
};
std::span<const InputFormatName> inputFormats();
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

// The largest GPX, KML, GeoJSON or CSV file read, in bytes. These are read whole, and their
// parsers hold several times the file's size: the XML tree about 40 times (a 40 MB GPX route of a
// million points takes 1.5 GB), the JSON values about 7 times.
std::size_t maxImportBytes(InputFormat format);

// Reads the whole of file `name`, open as `file`, into `bytes`. False on a read error. A file over
// maxImportBytes(format) ends the run (NurvoError).
[[nodiscard]] bool readImportBytes(std::FILE* file, const std::string& name, InputFormat format,
                                   std::string& bytes);

// Reads the route file `name`, open as `file`, into `list` in the format `settings` or its name
// asks for, with `choose` choosing among several routes as importRoute says. With `copy` keeps the
// text to show as well: every byte of a plain waypoint file, the points read of another format as
// the lines of a plain file ("36.8167 -121.817"). False on a read error, which the caller reports
// in the words of its mode. A refused file, one over maxImportBytes, or one with more than
// maxRouteNodes points ends the run (NurvoError).
// Read back from one of nurvo's own exports, the waypoints keep their kinds (line end, move) and
// the list the export's points as written (wptList::written).
[[nodiscard]] bool readRouteFile(std::FILE* file, const std::string& name,
                                 const ImportSettings& settings, wptList& list,
                                 std::string* copy = nullptr, const RouteChooser& choose = {});

}  // namespace nurvo
