// JSON route files (GeoJSON) read with nlohmann-json, strictly: one value, no comment, no key twice
// in an object. The parsed values keep no positions, so a refusal finds its value again in the
// text: with keys kept in file order, the values and keys of the document, walked depth first,
// come in the order they start in the text.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

using Json = nlohmann::ordered_json;

struct JsonDocument {
  std::string_view text;  // the file's text; the document refers to it and must not outlive it
  Json root;
};

// Parses `text`. Refuses (ImportError, with the position) text that is not one JSON value, arrays
// and objects nested deeper than maxNesting, and an object that names a key twice.
JsonDocument parseJson(std::string_view text);

// Where a value of doc.root starts in the text.
TextPos valuePosition(const JsonDocument& doc, const Json& value);

// A GeoJSON position [longitude, latitude] or [longitude, latitude, altitude], strictly; the
// altitude is not used. And an array of positions.
GeoPoint jsonPosition(const JsonDocument& doc, const Json& position);
std::vector<GeoPoint> jsonPositions(const JsonDocument& doc, const Json& positions);

// What a value is, for a message: "an object", "the string \"abc\"", "the number 3", ...
std::string describe(const Json& value);

}  // namespace nurvo
