#include "geojsonReader.h"

#include <string>

#include "jsonDocument.h"

namespace nurvo {

namespace {

struct GeoJsonContents {
  std::vector<RouteCandidate> lines;
  std::vector<ExportedPoint> points;  // with their "kind", if any
  // As nurvo's export writes them: a feature with the route's totals, and points with their legs.
  bool exportTotals = false;
  bool pointLegs = true;
  // What is not read, for the message on a file without a route: by name, in the order met.
  std::vector<std::pair<std::string, std::size_t>> unread;
  void notRead(const std::string& what) {
    for (auto& [name, n] : unread) {
      if (name == what) {
        ++n;
        return;
      }
    }
    unread.emplace_back(what, 1);
  }
};

// The member `key` of an object, or null when it has none.
const Json* member(const Json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

// The "type" of a GeoJSON object; refuses what is no object or has no type.
std::string typeOf(const JsonDocument& doc, const Json& object, const char* expected) {
  const Json* type = object.is_object() ? member(object, "type") : nullptr;
  if (type == nullptr || !type->is_string()) {
    throw ImportError(
        valuePosition(doc, object),
        std::string("expected ") + expected + " with a \"type\", found " + describe(object));
  }
  return type->get<std::string>();
}

const Json& coordinatesOf(const JsonDocument& doc, const Json& geometry) {
  const Json* coordinates = member(geometry, "coordinates");
  if (coordinates == nullptr) {
    throw ImportError(valuePosition(doc, geometry), "expected \"coordinates\" in the geometry");
  }
  return *coordinates;
}

std::string stringProperty(const Json* properties, const char* key) {
  if (properties == nullptr || !properties->is_object()) return {};
  const Json* value = member(*properties, key);
  return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

bool hasString(const Json* properties, const char* key) {
  const Json* value =
      properties != nullptr && properties->is_object() ? member(*properties, key) : nullptr;
  return value != nullptr && value->is_string();
}

bool hasNumber(const Json* properties, const char* key) {
  const Json* value =
      properties != nullptr && properties->is_object() ? member(*properties, key) : nullptr;
  return value != nullptr && value->is_number();
}

void readGeometry(const JsonDocument& doc, const Json& geometry, const Json* properties,
                  GeoJsonContents& found) {
  if (hasString(properties, "stamp") && hasNumber(properties, "waypoints") &&
      hasNumber(properties, "maxLegMeters") && hasString(properties, "depthMode")) {
    found.exportTotals = true;
  }
  const std::string type = typeOf(doc, geometry, "a geometry");
  const Json* lineOfOnePart = nullptr;
  if (type == "MultiLineString") {
    // What GIS writes for a GPX track: a line of one part is read as the line.
    const Json& parts = coordinatesOf(doc, geometry);
    if (parts.is_array() && parts.size() == 1) {
      lineOfOnePart = &parts.front();
    } else {
      found.notRead(parts.is_array() && parts.empty() ? "MultiLineString without a part"
                                                      : "MultiLineString of several parts");
    }
  }
  if (type == "LineString" || lineOfOnePart != nullptr) {
    std::vector<GeoPoint> points = jsonPositions(
        doc, lineOfOnePart != nullptr ? *lineOfOnePart : coordinatesOf(doc, geometry));
    if (!points.empty()) {
      found.lines.push_back({stringProperty(properties, "name"), points});
    } else {
      found.notRead(type + " without a position");
    }
  } else if (type == "Point") {
    if (!hasNumber(properties, "number") || properties->find("legMeters") == properties->end()) {
      found.pointLegs = false;
    }
    found.points.push_back(
        {jsonPosition(doc, coordinatesOf(doc, geometry)), stringProperty(properties, "kind")});
  } else if (type != "MultiLineString") {
    found.notRead(type);
  }
}

// The geometry of a Feature, or null when it has none or a null one.
const Json* featureGeometry(const JsonDocument& doc, const Json& feature) {
  const Json* geometry = member(feature, "geometry");
  if (geometry == nullptr) {
    throw ImportError(valuePosition(doc, feature), "expected \"geometry\" in the Feature");
  }
  return geometry->is_null() ? nullptr : geometry;
}

void readFeature(const JsonDocument& doc, const Json& feature, GeoJsonContents& found) {
  if (const Json* geometry = featureGeometry(doc, feature)) {
    readGeometry(doc, *geometry, member(feature, "properties"), found);
  } else {
    found.notRead("Feature without a geometry");
  }
}

// The features of a FeatureCollection, each checked to be a Feature.
std::vector<const Json*> collectionFeatures(const JsonDocument& doc) {
  std::vector<const Json*> found;
  const Json* features = member(doc.root, "features");
  if (features == nullptr || !features->is_array()) {
    throw ImportError(valuePosition(doc, features == nullptr ? doc.root : *features),
                      "expected \"features\", an array of Features");
  }
  for (const Json& feature : *features) {
    if (typeOf(doc, feature, "a Feature") != "Feature") {
      throw ImportError(valuePosition(doc, feature), "expected a Feature in \"features\"");
    }
    found.push_back(&feature);
  }
  return found;
}

}  // namespace

std::vector<RouteCandidate> readGeoJsonRoutes(std::string_view text) {
  const JsonDocument doc = parseJson(text);
  GeoJsonContents found;
  const std::string type = typeOf(doc, doc.root, "a GeoJSON object");
  std::size_t features = 0;
  if (type == "FeatureCollection") {
    for (const Json* feature : collectionFeatures(doc)) {
      readFeature(doc, *feature, found);
      ++features;
    }
  } else if (type == "Feature") {
    readFeature(doc, doc.root, found);
  } else {
    readGeometry(doc, doc.root, nullptr, found);
  }
  // nurvo's own export bears a feature with the route's totals, and Point features numbered,
  // with their legs.
  std::vector<RouteCandidate> routes = linesElsePoints(
      std::move(found.lines), std::move(found.points), found.exportTotals && found.pointLegs);
  if (!routes.empty()) return routes;
  std::string message = "holds no LineString or Point";
  if (type == "FeatureCollection" && features == 0) {
    message += ": found a FeatureCollection without a Feature";
  } else if (!found.unread.empty()) {
    message += ": " + foundList(found.unread);
  }
  bool polygons = false;
  for (const auto& [what, n] : found.unread) polygons = polygons || what.ends_with("Polygon");
  if (polygons) message += "; a polygon is a survey area, given with --area FILE";
  throw NoRouteFound(message);
}

namespace {

std::vector<std::vector<GeoPoint>> polygonRings(const JsonDocument& doc, const Json& coordinates) {
  if (!coordinates.is_array() || coordinates.empty()) {
    throw ImportError(valuePosition(doc, coordinates),
                      "expected the rings of the Polygon, an array of arrays of positions, "
                      "found " +
                          describe(coordinates));
  }
  std::vector<std::vector<GeoPoint>> rings;
  for (const Json& ring : coordinates) rings.push_back(jsonPositions(doc, ring));
  return rings;
}

// What a Feature says of its shapes: its name (or id), role and kind.
struct FeatureWords {
  std::string name;
  std::string role;
  std::string kind;
};

FeatureWords featureWords(const Json& feature) {
  const Json* properties = member(feature, "properties");
  FeatureWords words{stringProperty(properties, "name"), stringProperty(properties, "role"),
                     stringProperty(properties, "kind")};
  if (words.name.empty()) {
    const Json* id = member(feature, "id");
    if (id != nullptr && id->is_string()) words.name = id->get<std::string>();
    if (id != nullptr && id->is_number()) words.name = id->dump();
  }
  return words;
}

// The polygons and points of a geometry, appended to `shapes` as parts of feature `feature`.
// A Point that nurvo's export made (it has a kind) is a point of a route, not a shape.
void appendShapes(const JsonDocument& doc, const Json& geometry, const FeatureWords& words,
                  std::size_t feature, std::vector<PolygonShape>& shapes) {
  const std::string type = typeOf(doc, geometry, "a geometry");
  const auto add = [&](bool point, std::vector<std::vector<GeoPoint>> rings, const Json& at) {
    shapes.push_back(
        {words.name, words.role, valuePosition(doc, at), feature, point, std::move(rings)});
  };
  if (type == "GeometryCollection") {
    const Json* geometries = member(geometry, "geometries");
    if (geometries == nullptr || !geometries->is_array()) {
      throw ImportError(valuePosition(doc, geometry),
                        "expected \"geometries\", an array of geometries");
    }
    for (const Json& g : *geometries) appendShapes(doc, g, words, feature, shapes);
    return;
  }
  if (type != "Polygon" && type != "MultiPolygon" && type != "Point" && type != "MultiPoint") {
    return;
  }
  const Json& coordinates = coordinatesOf(doc, geometry);
  if (type == "Polygon") {
    add(false, polygonRings(doc, coordinates), geometry);
  } else if (type == "Point") {
    if (!isExportKind(words.kind)) add(true, {{jsonPosition(doc, coordinates)}}, geometry);
  } else {
    if (!coordinates.is_array()) {
      throw ImportError(
          valuePosition(doc, coordinates),
          "expected the parts of the " + type + ", an array, found " + describe(coordinates));
    }
    for (const Json& part : coordinates) {
      if (type == "MultiPolygon") {
        add(false, polygonRings(doc, part), part);
      } else {
        add(true, {{jsonPosition(doc, part)}}, part);
      }
    }
  }
}

}  // namespace

std::vector<PolygonShape> readGeoJsonShapes(std::string_view text) {
  const JsonDocument doc = parseJson(text);
  std::vector<PolygonShape> shapes;
  const std::string type = typeOf(doc, doc.root, "a GeoJSON object");
  if (type == "FeatureCollection") {
    std::size_t feature = 0;
    for (const Json* f : collectionFeatures(doc)) {
      ++feature;
      if (const Json* geometry = featureGeometry(doc, *f)) {
        appendShapes(doc, *geometry, featureWords(*f), feature, shapes);
      }
    }
  } else if (type == "Feature") {
    if (const Json* geometry = featureGeometry(doc, doc.root)) {
      appendShapes(doc, *geometry, featureWords(doc.root), 1, shapes);
    }
  } else {
    appendShapes(doc, doc.root, {}, 1, shapes);
  }
  return shapes;
}

}  // namespace nurvo
