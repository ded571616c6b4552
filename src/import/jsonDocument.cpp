#include "jsonDocument.h"

#include <algorithm>
#include <set>
#include <string>

#include "message.h"

namespace nurvo {

namespace {

bool isJsonSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The offset where the n-th (from 0) value or key of the text starts. The text is valid JSON.
std::size_t itemOffset(std::string_view text, std::size_t n) {
  std::size_t seen = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (isJsonSpace(c) || c == ',' || c == ':' || c == '}' || c == ']') {
      ++i;
      continue;
    }
    if (seen++ == n) return i;
    if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\') ++i;
      }
      ++i;
    } else if (c == '{' || c == '[') {
      ++i;
    } else {
      while (i < text.size() && !isJsonSpace(text[i]) && text[i] != ',' && text[i] != '}' &&
             text[i] != ']') {
        ++i;
      }
    }
  }
  return text.size();
}

// Counts the values and keys before `target` in the order parseJson's walk meets them.
bool countItemsBefore(const Json& value, const Json* target, std::size_t& count) {
  if (&value == target) return true;
  ++count;
  if (value.is_object()) {
    for (const auto& [key, member] : value.items()) {
      ++count;
      if (countItemsBefore(member, target, count)) return true;
    }
  } else if (value.is_array()) {
    for (const Json& element : value) {
      if (countItemsBefore(element, target, count)) return true;
    }
  }
  return false;
}

// Refuses arrays and objects nested deeper than maxNesting, at the bracket that goes too deep.
// Brackets inside strings do not count; the text need not be valid JSON (the parser judges that).
void checkNesting(std::string_view text) {
  std::size_t depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > maxNesting) {
        throw ImportError(positionAt(text, i),
                          strprintf("%s lies %zu levels deep; arrays and objects are read to %zu "
                                    "levels at most",
                                    c == '[' ? "an array" : "an object", depth, maxNesting));
      }
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
}

struct DuplicateKey {
  std::size_t item;  // the key's place among the document's values and keys
  std::string key;
};

}  // namespace

JsonDocument parseJson(std::string_view text) {
  checkNesting(text);
  JsonDocument doc{text, {}};
  std::vector<std::set<std::string>> keys;  // the keys of each object being read
  std::size_t items = 0;
  const Json::parser_callback_t noteKeys = [&](int, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start:
        keys.emplace_back();
        ++items;
        break;
      case Json::parse_event_t::object_end: keys.pop_back(); break;
      case Json::parse_event_t::array_start:
      case Json::parse_event_t::value: ++items; break;
      case Json::parse_event_t::key:
        if (!keys.back().insert(parsed.get<std::string>()).second) {
          throw DuplicateKey{items, parsed.get<std::string>()};
        }
        ++items;
        break;
      case Json::parse_event_t::array_end: break;
    }
    return true;
  };
  try {
    doc.root = Json::parse(text.begin(), text.end(), noteKeys);
  } catch (const Json::parse_error& e) {
    // The library's message repeats the position; the reader's own message gives it.
    std::string what = e.what();
    const std::size_t column = what.find("column ");
    const std::size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
    if (colon != std::string::npos) what = what.substr(colon + 2);
    const std::size_t at = e.byte == 0 ? 0 : std::min<std::size_t>(e.byte - 1, text.size());
    throw ImportError(positionAt(text, at), "not valid JSON: " + what);
  } catch (const Json::out_of_range&) {
    // A number beyond the range of a double; the walk had counted the values before it.
    throw ImportError(positionAt(text, itemOffset(text, items)), "a number too large for a double");
  } catch (const DuplicateKey& d) {
    throw ImportError(positionAt(text, itemOffset(text, d.item)),
                      "the key \"" + d.key + "\" appears twice in one object");
  }
  return doc;
}

TextPos valuePosition(const JsonDocument& doc, const Json& value) {
  std::size_t before = 0;
  if (!countItemsBefore(doc.root, &value, before)) return {};
  return positionAt(doc.text, itemOffset(doc.text, before));
}

std::string describe(const Json& value) {
  switch (value.type()) {
    case Json::value_t::object: return "an object";
    case Json::value_t::array: return "an array of " + std::to_string(value.size());
    case Json::value_t::string: return "the string " + value.dump().substr(0, 40);
    case Json::value_t::boolean: return value.get<bool>() ? "true" : "false";
    case Json::value_t::null: return "null";
    default: return "the number " + value.dump();
  }
}

GeoPoint jsonPosition(const JsonDocument& doc, const Json& position) {
  if (!position.is_array() || position.size() < 2 || position.size() > 3) {
    throw ImportError(valuePosition(doc, position),
                      "expected a position [longitude, latitude] or [longitude, latitude, "
                      "altitude], found " +
                          describe(position));
  }
  const auto coordinate = [&](Axis axis) -> const Json& {
    return position[axis == Axis::longitude ? 0 : 1];
  };
  const auto value = [&](Axis axis) {
    const Json& v = coordinate(axis);
    if (!v.is_number()) {
      throw ImportError(
          valuePosition(doc, v),
          strprintf("expected a %s in decimal degrees, found %s",
                    axis == Axis::longitude ? "longitude" : "latitude", describe(v).c_str()));
    }
    return v.get<double>();
  };
  return coordinatePair(Axis::longitude, value,
                        [&](Axis axis) { return valuePosition(doc, coordinate(axis)); });
}

std::vector<GeoPoint> jsonPositions(const JsonDocument& doc, const Json& positions) {
  if (!positions.is_array()) {
    throw ImportError(valuePosition(doc, positions),
                      "expected an array of positions, found " + describe(positions));
  }
  std::vector<GeoPoint> points;
  points.reserve(positions.size());
  for (const Json& position : positions) points.push_back(jsonPosition(doc, position));
  return points;
}

}  // namespace nurvo
