#include "gpxKmlReader.h"

#include <algorithm>
#include <string>

#include "xmlDocument.h"

namespace nurvo {

namespace {

// The document, refused unless its root element is `root`; `format` names it in the message.
const XmlTree& requireRoot(const XmlDocument& doc, std::string_view root, const char* format) {
  if (doc.tree.empty()) {
    throw ImportError({}, std::string("expected ") + format + ", found no XML element");
  }
  if (localName(rootName(doc)) != root) {
    throw ImportError(elementPosition(doc, rootElement(doc)),
                      std::string("expected ") + format + " (root element <" + std::string(root) +
                          ">), found root element <" + std::string(rootName(doc)) + ">");
  }
  return rootElement(doc);
}

void appendGpxPoints(const XmlDocument& doc, const XmlTree& parent, std::string_view pointName,
                     std::vector<GeoPoint>& points) {
  for (const XmlTree* point : childElements(parent, pointName)) {
    points.push_back(latLonAttributes(doc, *point));
  }
}

// Whether the file is one of nurvo's own GPX exports: nurvo its creator, one route described as
// nurvo describes it, and the <type>s of its points the kinds of an export in their order.
bool isNurvoGpx(const XmlTree& gpx, const std::vector<const XmlTree*>& rtes) {
  const std::string* creator = attribute(gpx, "creator");
  if (creator == nullptr || !creator->starts_with("nurvo ") || rtes.size() != 1 ||
      !isExportDescription(childText(*rtes.front(), "desc"))) {
    return false;
  }
  std::vector<std::string> kinds;
  for (const XmlTree* point : childElements(*rtes.front(), "rtept")) {
    kinds.push_back(childText(*point, "type"));
  }
  return exportKindsInOrder(kinds);
}

}  // namespace

std::vector<RouteCandidate> readGpxRoutes(std::string_view text) {
  const XmlDocument doc = parseXml(text);
  const XmlTree& gpx = requireRoot(doc, "gpx", "GPX");
  const std::vector<const XmlTree*> rtes = childElements(gpx, "rte");
  if (isNurvoGpx(gpx, rtes)) {
    std::vector<ExportedPoint> points;
    for (const XmlTree* point : childElements(*rtes.front(), "rtept")) {
      points.push_back({latLonAttributes(doc, *point), childText(*point, "type")});
    }
    return {exportedRoute(childText(*rtes.front(), "name"), std::move(points))};
  }
  std::vector<RouteCandidate> routes;
  for (const XmlTree* rte : rtes) {
    RouteCandidate route{childText(*rte, "name"), {}};
    appendGpxPoints(doc, *rte, "rtept", route.points);
    if (!route.points.empty()) routes.push_back(std::move(route));
  }
  if (!routes.empty()) return routes;
  for (const XmlTree* trk : childElements(gpx, "trk")) {
    RouteCandidate track{childText(*trk, "name"), {}};
    for (const XmlTree* segment : childElements(*trk, "trkseg")) {
      appendGpxPoints(doc, *segment, "trkpt", track.points);
    }
    if (!track.points.empty()) routes.push_back(std::move(track));
  }
  if (!routes.empty()) return routes;
  RouteCandidate waypoints;
  appendGpxPoints(doc, gpx, "wpt", waypoints.points);
  if (waypoints.points.empty()) {
    throw NoRouteFound("holds no route point, track point or waypoint (rtept, trkpt, wpt)");
  }
  routes.push_back(std::move(waypoints));
  return routes;
}

namespace {

struct KmlContents {
  std::vector<RouteCandidate> lines;  // LineStrings and gx:Tracks
  std::vector<ExportedPoint> points;  // with the placemark's "kind" data field, if any
  std::size_t polygons = 0;  // geometries not read, for the message on a file without a route
  std::size_t models = 0;
};

// The value of the placemark's data field `key`, empty where it has none.
std::string kmlData(const XmlTree& placemark, std::string_view key) {
  for (const XmlTree* data : childElements(placemark, "ExtendedData")) {
    for (const XmlTree* field : childElements(*data, "Data")) {
      const std::string* name = attribute(*field, "name");
      if (name != nullptr && *name == key) return childText(*field, "value");
    }
  }
  return {};
}

std::string kmlKind(const XmlTree& placemark) {
  return kmlData(placemark, "kind");
}

// The blank-separated words of `text`.
std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> found;
  constexpr std::string_view blanks = " \t\r\n";
  for (std::size_t i = text.find_first_not_of(blanks); i != std::string_view::npos;) {
    const std::size_t end = std::min(text.find_first_of(blanks, i), text.size());
    found.push_back(text.substr(i, end - i));
    i = text.find_first_not_of(blanks, end);
  }
  return found;
}

// The positions of a gx:Track: each gx:coord holds "longitude latitude altitude", separated by
// blanks, the altitude not used.
std::vector<GeoPoint> trackPoints(const XmlDocument& doc, const XmlTree& track) {
  std::vector<GeoPoint> points;
  for (const XmlTree* coord : childElements(track, "coord")) {
    const std::vector<std::string_view> lonLatAlt = words(coord->data());
    if (lonLatAlt.size() < 2 || lonLatAlt.size() > 3) {
      const std::size_t n = lonLatAlt.size();
      throw ImportError(elementPosition(doc, *coord),
                        "expected \"longitude latitude altitude\" in <gx:coord>, found " +
                            std::to_string(n) + (n == 1 ? " word" : " words"));
    }
    const auto word = [](Axis axis) -> std::size_t { return axis == Axis::longitude ? 0 : 1; };
    points.push_back(coordinatePair(
        Axis::longitude, [&](Axis axis) { return lonLatAlt[word(axis)]; },
        [&](Axis axis) { return wordPosition(doc, *coord, word(axis)); }));
  }
  return points;
}

// The geometries of a placemark, also inside a MultiGeometry or a gx:MultiTrack.
void readGeometries(const XmlDocument& doc, const XmlTree& geometry, const std::string& name,
                    const std::string& kind, KmlContents& found) {
  for (const auto& [key, child] : geometry) {
    const std::string_view type = localName(key);
    if (type == "MultiGeometry" || type == "MultiTrack") {
      readGeometries(doc, child, name, kind, found);
      continue;
    }
    if (type == "Polygon") ++found.polygons;
    if (type == "Model") ++found.models;
    if (type == "Track") {
      std::vector<GeoPoint> points = trackPoints(doc, child);
      if (!points.empty()) found.lines.push_back({name, std::move(points)});
      continue;
    }
    if (type != "LineString" && type != "Point") continue;
    std::vector<GeoPoint> points;
    for (const XmlTree* coordinates : childElements(child, "coordinates")) {
      for (const GeoPoint& p : coordinateTuples(doc, *coordinates)) points.push_back(p);
    }
    if (type == "LineString") {
      if (!points.empty()) found.lines.push_back({name, std::move(points)});
      continue;
    }
    if (points.size() != 1) {
      throw ImportError(
          elementPosition(doc, child),
          "expected one longitude,latitude in a Point, found " + std::to_string(points.size()));
    }
    found.points.push_back({points.front(), kind});
  }
}

void readKmlElement(const XmlDocument& doc, const XmlTree& element, KmlContents& found) {
  for (const auto& [key, child] : element) {
    if (localName(key) == "Placemark") {
      readGeometries(doc, child, childText(child, "name"), kmlKind(child), found);
    } else if (!key.empty() && key.front() != '<') {
      readKmlElement(doc, child, found);
    }
  }
}

// Whether the file bears the marks of one of nurvo's own KML exports: one Document, described as
// nurvo describes a route.
bool hasExportDocument(const XmlTree& kml) {
  const std::vector<const XmlTree*> documents = childElements(kml, "Document");
  return documents.size() == 1 && isExportDescription(childText(*documents.front(), "description"));
}

}  // namespace

std::vector<RouteCandidate> readKmlRoutes(std::string_view text) {
  const XmlDocument doc = parseXml(text);
  KmlContents found;
  const XmlTree& kml = requireRoot(doc, "kml", "KML");
  readKmlElement(doc, kml, found);
  std::vector<RouteCandidate> routes =
      linesElsePoints(std::move(found.lines), std::move(found.points), hasExportDocument(kml));
  if (!routes.empty()) return routes;
  std::string message = "holds no LineString, gx:Track or Point";
  const std::string others = foundList({{"Polygon", found.polygons}, {"Model", found.models}});
  if (!others.empty()) message += ": " + others;
  if (found.polygons > 0) message += "; a polygon is a survey area, given with --area FILE";
  throw NoRouteFound(message);
}

namespace {

// The coordinates of the LinearRings of the boundaries `boundary` of a Polygon.
std::vector<std::vector<GeoPoint>> boundaryRings(const XmlDocument& doc, const XmlTree& polygon,
                                                 std::string_view boundary) {
  std::vector<std::vector<GeoPoint>> rings;
  for (const XmlTree* b : childElements(polygon, boundary)) {
    for (const XmlTree* ring : childElements(*b, "LinearRing")) {
      rings.emplace_back();
      for (const XmlTree* coordinates : childElements(*ring, "coordinates")) {
        for (const GeoPoint& p : coordinateTuples(doc, *coordinates)) rings.back().push_back(p);
      }
    }
  }
  return rings;
}

// What a placemark says of its shapes: its name (else its id), role and kind.
struct PlacemarkWords {
  std::string name;
  std::string role;
  std::string kind;
};

// The Polygons and Points of a placemark's geometry, also inside a MultiGeometry, as parts of
// feature `feature`.
void appendShapes(const XmlDocument& doc, const XmlTree& geometry, const PlacemarkWords& words,
                  std::size_t feature, std::vector<PolygonShape>& shapes) {
  for (const auto& [key, child] : geometry) {
    if (key.empty() || key.front() == '<') continue;
    const std::string_view type = localName(key);
    if (type == "MultiGeometry") {
      appendShapes(doc, child, words, feature, shapes);
    } else if (type == "Polygon") {
      std::vector<std::vector<GeoPoint>> rings = boundaryRings(doc, child, "outerBoundaryIs");
      if (rings.size() != 1) {
        throw ImportError(elementPosition(doc, child),
                          "expected one LinearRing in <outerBoundaryIs> of the Polygon, found " +
                              std::to_string(rings.size()));
      }
      for (std::vector<GeoPoint>& hole : boundaryRings(doc, child, "innerBoundaryIs")) {
        rings.push_back(std::move(hole));
      }
      shapes.push_back(
          {words.name, words.role, elementPosition(doc, child), feature, false, std::move(rings)});
    } else if (type == "Point" && !isExportKind(words.kind)) {
      std::vector<GeoPoint> points;
      for (const XmlTree* coordinates : childElements(child, "coordinates")) {
        for (const GeoPoint& p : coordinateTuples(doc, *coordinates)) points.push_back(p);
      }
      if (points.size() != 1) {
        throw ImportError(
            elementPosition(doc, child),
            "expected one longitude,latitude in a Point, found " + std::to_string(points.size()));
      }
      shapes.push_back(
          {words.name, words.role, elementPosition(doc, child), feature, true, {points}});
    }
  }
}

void appendPlacemarkShapes(const XmlDocument& doc, const XmlTree& element,
                           std::vector<PolygonShape>& shapes, std::size_t& features) {
  for (const auto& [key, child] : element) {
    if (key.empty() || key.front() == '<') continue;
    if (localName(key) != "Placemark") {
      appendPlacemarkShapes(doc, child, shapes, features);
      continue;
    }
    PlacemarkWords words{childText(child, "name"), kmlData(child, "role"), kmlKind(child)};
    if (words.name.empty()) {
      if (const std::string* id = attribute(child, "id")) words.name = *id;
    }
    appendShapes(doc, child, words, ++features, shapes);
  }
}

}  // namespace

std::vector<PolygonShape> readKmlShapes(std::string_view text) {
  const XmlDocument doc = parseXml(text);
  std::vector<PolygonShape> shapes;
  std::size_t features = 0;
  appendPlacemarkShapes(doc, requireRoot(doc, "kml", "KML"), shapes, features);
  return shapes;
}

}  // namespace nurvo
