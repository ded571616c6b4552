#include "geojsonReader.h"

#include <string>

#include "jsonDocument.h"

namespace nurvo {

namespace {

struct GeoJsonContents {
  std::vector<RouteCandidate> lines;
  std::vector<std::pair<GeoPoint, std::string>> points;  // with their "kind", if any
  bool kindsGiven = false;
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

void readGeometry(const JsonDocument& doc, const Json& geometry, const Json* properties,
                  GeoJsonContents& found) {
  const std::string type = typeOf(doc, geometry, "a geometry");
  if (type == "LineString") {
    std::vector<GeoPoint> points = jsonPositions(doc, coordinatesOf(doc, geometry));
    if (!points.empty()) found.lines.push_back({stringProperty(properties, "name"), points});
  } else if (type == "Point") {
    std::string kind = stringProperty(properties, "kind");
    if (isExportKind(kind)) found.kindsGiven = true;
    found.points.emplace_back(jsonPosition(doc, coordinatesOf(doc, geometry)), std::move(kind));
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
  if (type == "FeatureCollection") {
    for (const Json* feature : collectionFeatures(doc)) readFeature(doc, *feature, found);
  } else if (type == "Feature") {
    readFeature(doc, doc.root, found);
  } else {
    readGeometry(doc, doc.root, nullptr, found);
  }
  if (!found.lines.empty() && !found.kindsGiven) return std::move(found.lines);
  RouteCandidate points;
  for (const auto& [point, kind] : found.points) {
    if (!isMadeByRun(kind)) points.points.push_back(point);
  }
  if (points.points.empty()) return {};
  return {std::move(points)};
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
