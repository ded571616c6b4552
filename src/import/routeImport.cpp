#include "routeImport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <memory>

#include "csvReader.h"
#include "geojsonReader.h"
#include "gpxKmlReader.h"
#include "numberText.h"
#include "nurvoError.h"
#include "textEncoding.h"
#include "textSink.h"
#include "waypointFile.h"

namespace nurvo {

namespace {

constexpr std::size_t xmlMaxBytes = std::size_t{64} << 20;
constexpr std::size_t jsonMaxBytes = std::size_t{256} << 20;

constexpr std::array<InputFormatRow, 5> formatTable = {{
    {InputFormat::plain, "plain", "plain", "", nullptr, nullptr, 0},
    {InputFormat::gpx, "gpx", "GPX", ".gpx", readGpxRoutes, nullptr, xmlMaxBytes},
    {InputFormat::kml, "kml", "KML", ".kml", readKmlRoutes, readKmlShapes, xmlMaxBytes},
    {InputFormat::geojson, "geojson", "GeoJSON", ".geojson .json", readGeoJsonRoutes,
     readGeoJsonShapes, jsonMaxBytes},
    {InputFormat::csv, "csv", "CSV", ".csv", readCsvRoutes, nullptr, jsonMaxBytes},
}};

bool endsWithIgnoringCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  s.remove_prefix(s.size() - suffix.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i] >= 'A' && s[i] <= 'Z' ? static_cast<char>(s[i] - 'A' + 'a') : s[i];
    if (c != suffix[i]) return false;
  }
  return true;
}

// Whether `fileName` ends in one of the blank-separated `extensions`, in any case.
bool hasExtension(std::string_view fileName, std::string_view extensions) {
  for (std::size_t i = extensions.find_first_not_of(' '); i != std::string_view::npos;) {
    const std::size_t end = std::min(extensions.find(' ', i), extensions.size());
    if (endsWithIgnoringCase(fileName, extensions.substr(i, end - i))) return true;
    i = extensions.find_first_not_of(' ', end);
  }
  return false;
}

// The text of a file as its reader sees it (routeFileText); nothing where it holds nothing but
// blanks, which is a file without a point, as an empty plain file is.
std::optional<std::string_view> readableText(std::string_view bytes) {
  const std::string_view text = routeFileText(bytes);
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return std::nullopt;
  return text;
}

// The routes the text of file `fileName` holds, as the reader of `format` reads them; refusals
// name the file.
std::vector<RouteCandidate> importRoutes(std::string_view bytes, const InputFormatRow& format,
                                         const std::string& fileName) {
  try {
    const std::optional<std::string_view> text = readableText(bytes);
    if (!text || format.readRoutes == nullptr) return {};
    return format.readRoutes(*text);
  } catch (const NoRouteFound& e) {
    throw NurvoError(fileName + ' ' + e.what() + '\n', {fileName});
  } catch (const ImportError& e) {
    throw NurvoError(importMessage(fileName, e), {fileName, e.pos.line, e.pos.column});
  }
}

// The most routes a message lists, and the most characters of a route's name it shows: a file may
// hold any number of routes, with names of any length.
constexpr std::size_t listedRoutes = 20;
constexpr std::size_t shownNameLength = 60;

// "  1  "North" (2 points)" a line for each route, the first 20 of them, then how many more.
std::string candidateList(const std::vector<RouteCandidate>& routes) {
  std::string list;
  for (std::size_t i = 0; i < routes.size() && i < listedRoutes; ++i) {
    const std::string& name = routes[i].name;
    const std::size_t points = routes[i].points.size();
    list += strprintf(
        "  %zu  %s (%zu point%s)\n", i + 1,
        name.empty() ? "(no name)" : ("\"" + shortened(name, shownNameLength) + "\"").c_str(),
        points, points == 1 ? "" : "s");
  }
  if (routes.size() > listedRoutes) {
    list += strprintf("  ... and %zu more\n", routes.size() - listedRoutes);
  }
  return list;
}

// "1, 4 and 7": the positions of the routes `numbers`, the first 20 of them, then how many more.
std::string numberList(const std::vector<std::size_t>& numbers) {
  std::string list;
  const std::size_t shown = std::min(numbers.size(), listedRoutes);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) list += i + 1 == shown && shown == numbers.size() ? " and " : ", ";
    list += std::to_string(numbers[i]);
  }
  if (numbers.size() > shown) list += strprintf(" and %zu more", numbers.size() - shown);
  return list;
}

// The route `choice` names: by its name first, else by its position from 1. A name that several
// routes share is refused with their positions, as a file of Google Earth holds several routes all
// named "Path": taking the first would plan a route the operator may not have meant.
const RouteCandidate* namedRoute(const std::vector<RouteCandidate>& routes,
                                 const std::string& choice, const std::string& fileName) {
  std::vector<std::size_t> named;
  for (std::size_t i = 0; i < routes.size(); ++i) {
    if (routes[i].name == choice) named.push_back(i + 1);
  }
  if (named.size() > 1) {
    throw NurvoError(
        strprintf("%s holds %zu routes named \"%s\": %s; choose one by its number "
                  "with --route N\n",
                  fileName.c_str(), named.size(), shortened(choice, shownNameLength).c_str(),
                  numberList(named).c_str()),
        {fileName});
  }
  if (named.size() == 1) return &routes[named.front() - 1];
  const std::optional<int> n = parseIntValue(choice);
  if (n && *n >= 1 && static_cast<std::size_t>(*n) <= routes.size()) return &routes[*n - 1];
  return nullptr;
}

// The text of `points` as the lines of a plain waypoint file: latitude and longitude, each in the
// fewest digits that read back as the same number ("36.8167 -121.817", "1e-07 0").
std::string pointLines(const std::vector<GeoPoint>& points) {
  std::string text;
  std::array<char, maxNumberChars> buf{};
  const auto append = [&](double v) {
    text.append(buf.data(), std::to_chars(buf.data(), buf.data() + buf.size(), v).ptr);
  };
  for (const GeoPoint& p : points) {
    append(p.lat);
    text += ' ';
    append(p.lon);
    text += '\n';
  }
  return text;
}

// The waypoints of `list`, read from nurvo's export `exported`, take the kinds the export gives
// them, and the list keeps the export's points for the route's preparation (wptList::written).
void keepExportedRoute(const std::vector<ExportedPoint>& exported, wptList& list) {
  std::vector<WrittenPoint> written;
  node* n = list.head();
  for (const ExportedPoint& p : exported) {
    written.push_back({p.point.lat, p.point.lon, p.kind == "inserted"});
    if (isMadeByRun(p.kind) || n == nullptr) continue;
    if (const std::optional<WaypointKind> k = kindNamed(p.kind)) n->kind = *k;
    n = n->nextPtr;
  }
  list.setWritten(std::move(written));
}

}  // namespace

std::span<const InputFormatRow> inputFormats() {
  return formatTable;
}

const InputFormatRow& inputFormatRow(InputFormat format) {
  for (const InputFormatRow& row : formatTable) {
    if (row.format == format) return row;
  }
  return formatTable.front();
}

std::string inputFormatNames() {
  std::string names;
  for (const InputFormatRow& row : formatTable) {
    if (!names.empty()) names += ", ";
    names += row.name;
  }
  return names;
}

std::optional<InputFormat> inputFormatNamed(std::string_view name) {
  for (const InputFormatRow& row : formatTable) {
    if (name == row.name) return row.format;
  }
  return std::nullopt;
}

InputFormat formatOfFileName(std::string_view fileName) {
  for (const InputFormatRow& row : formatTable) {
    if (hasExtension(fileName, row.extensions)) return row.format;
  }
  return InputFormat::plain;
}

namespace {

// The route of `routes` that `route` names, else the one `choose` chooses; the refusals name
// `fileName`.
RouteCandidate chosenRoute(std::vector<RouteCandidate> routes, const std::string& fileName,
                           const std::optional<std::string>& route, const RouteChooser& choose) {
  if (routes.empty()) return {};
  if (!route && routes.size() == 1) return std::move(routes.front());
  if (route) {
    if (const RouteCandidate* chosen = namedRoute(routes, *route, fileName)) return *chosen;
    throw NurvoError(strprintf("%s holds no route named or numbered \"%s\"; its routes:\n",
                               fileName.c_str(), shortened(*route, shownNameLength).c_str()) +
                         candidateList(routes),
                     {fileName});
  }
  if (choose) {
    const std::size_t n =
        choose(strprintf("%s holds %zu routes:\n", fileName.c_str(), routes.size()) +
                   candidateList(routes),
               routes.size());
    if (n >= 1 && n <= routes.size()) return std::move(routes[n - 1]);
  }
  throw NurvoError(strprintf("%s holds %zu routes; choose one with --route NAME or --route N:\n",
                             fileName.c_str(), routes.size()) +
                       candidateList(routes),
                   {fileName});
}

// Reads the whole of file `name`, open as `file`, into `bytes`. False on a read error. A file over
// the format's maxBytes ends the run.
bool readWholeFile(std::FILE* file, const std::string& name, const InputFormatRow& format,
                   std::string& bytes) {
  constexpr std::size_t chunk = 1 << 16;
  for (;;) {
    const std::size_t old = bytes.size();
    bytes.resize(old + chunk);
    const std::size_t got = std::fread(bytes.data() + old, 1, chunk, file);
    bytes.resize(old + got);
    if (bytes.size() > format.maxBytes) {
      throw NurvoError(strprintf("%s is larger than %zu MiB, the most a %s file may be\n",
                                 name.c_str(), format.maxBytes >> 20, format.title),
                       {name});
    }
    if (got < chunk) {
      if (std::ferror(file)) return false;
      break;
    }
  }
  return true;
}

}  // namespace

RouteCandidate importRouteCandidate(std::string_view bytes, InputFormat format,
                                    const std::string& fileName,
                                    const std::optional<std::string>& route,
                                    const RouteChooser& choose) {
  return chosenRoute(importRoutes(bytes, inputFormatRow(format), fileName), fileName, route,
                     choose);
}

std::vector<GeoPoint> importRoute(std::string_view bytes, InputFormat format,
                                  const std::string& fileName,
                                  const std::optional<std::string>& route,
                                  const RouteChooser& choose) {
  return importRouteCandidate(bytes, format, fileName, route, choose).points;
}

std::vector<PolygonShape> importPolygons(std::string_view bytes, InputFormat format,
                                         const std::string& fileName) {
  const InputFormatRow& row = inputFormatRow(format);
  std::vector<RouteCandidate> routes;
  try {
    const std::optional<std::string_view> text = readableText(bytes);
    if (!text || row.readRoutes == nullptr) return {};
    if (row.readShapes != nullptr) return row.readShapes(*text);
    routes = row.readRoutes(*text);
  } catch (const NoRouteFound&) {
    return {};
  } catch (const ImportError& e) {
    throw NurvoError(importMessage(fileName, e), {fileName, e.pos.line, e.pos.column});
  }
  std::vector<PolygonShape> shapes;
  for (RouteCandidate& r : routes) {
    shapes.push_back({std::move(r.name), {}, {}, shapes.size() + 1, false, {}});
    shapes.back().rings.push_back(std::move(r.points));
  }
  return shapes;
}

bool readInputFile(std::FILE* file, const std::string& name, const InputFormatRow& format,
                   wptList& waypoints, const TextReader& readText, std::string* copy) {
  if (file == nullptr) return false;
  if (format.readRoutes == nullptr) return readWaypoints(file, name, waypoints, copy);
  std::string bytes;
  if (!readWholeFile(file, name, format, bytes)) return false;
  readText(bytes);
  return true;
}

bool readRouteFile(std::FILE* file, const std::string& name, const ImportSettings& settings,
                   wptList& list, std::string* copy, const RouteChooser& choose) {
  const InputFormatRow& format = inputFormatRow(settings.format.value_or(formatOfFileName(name)));
  if (format.readRoutes == nullptr && settings.route) {
    throw NurvoError(
        strprintf(
            "--route chooses one of the routes of a GPX, KML or GeoJSON file; %s is read as a "
            "plain waypoint file\n",
            name.c_str()),
        {name});
  }
  // A plain file's waypoints go straight into the list; the routes of another format's text are
  // chosen among. Of a plain file, no route is left to choose.
  std::vector<RouteCandidate> routes;
  const TextReader readRoutes = [&](std::string_view bytes) {
    routes = importRoutes(bytes, format, name);
  };
  if (!readInputFile(file, name, format, list, readRoutes, copy)) return false;
  const RouteCandidate route = chosenRoute(std::move(routes), name, settings.route, choose);
  if (route.points.size() > maxRouteNodes || route.exported.size() > maxRouteNodes) {
    throw NurvoError(strprintf("%s holds more than %zu waypoints\n", name.c_str(), maxRouteNodes),
                     {name});
  }
  for (const GeoPoint& p : route.points) list.insertLatLonEnd(p.lat, p.lon);
  if (!route.exported.empty()) keepExportedRoute(route.exported, list);
  if (copy != nullptr) *copy += pointLines(route.points);
  return true;
}

}  // namespace nurvo
