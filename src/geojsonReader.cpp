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

std::vector<std::vector<GeoPoint>> polygonRings(const JsonDocument& doc, const Json& polygon) {
  const Json& coordinates = coordinatesOf(doc, polygon);
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

}  // namespace

std::vector<std::vector<GeoPoint>> readGeoJsonPolygon(std::string_view text) {
  const JsonDocument doc = parseJson(text);
  std::vector<const Json*> geometries;
  const std::string type = typeOf(doc, doc.root, "a GeoJSON object");
  if (type == "FeatureCollection") {
    for (const Json* feature : collectionFeatures(doc)) {
      geometries.push_back(featureGeometry(doc, *feature));
    }
  } else if (type == "Feature") {
    geometries.push_back(featureGeometry(doc, doc.root));
  } else {
    geometries.push_back(&doc.root);
  }
  for (const Json* geometry : geometries) {
    if (geometry != nullptr && typeOf(doc, *geometry, "a geometry") == "Polygon") {
      return polygonRings(doc, *geometry);
    }
  }
  return {};
}

}  // namespace nurvo
