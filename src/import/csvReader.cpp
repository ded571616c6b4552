#include "csvReader.h"

#include <optional>
#include <string>

#include "message.h"
#include "numberText.h"

namespace nurvo {

namespace {

struct Field {
  std::string text;
  std::size_t offset;  // where the field starts in the file's text
};

// Reads the record at `pos` into `fields` and moves `pos` past its line end.
void readRecord(std::string_view text, char separator, std::size_t& pos,
                std::vector<Field>& fields) {
  fields.clear();
  for (;;) {
    Field field{{}, pos};
    if (pos < text.size() && text[pos] == '"') {
      for (++pos;; ++pos) {
        if (pos == text.size()) {
          throw ImportError(positionAt(text, field.offset), "the quoted field is not closed");
        }
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            field.text += '"';
            ++pos;
            continue;
          }
          ++pos;
          break;
        }
        field.text += text[pos];
      }
      const bool recordEnds = pos == text.size() || text[pos] == '\n' ||
                              text.substr(pos).starts_with("\r\n") || text[pos] == separator;
      if (!recordEnds) {
        throw ImportError(positionAt(text, pos), "expected a separator after the closing quote");
      }
    } else {
      while (pos < text.size() && text[pos] != separator && text[pos] != '\n') {
        if (text[pos] == '"') {
          throw ImportError(positionAt(text, pos),
                            "a quote inside a field that does not start with one");
        }
        field.text += text[pos++];
      }
      // The CR of a CR LF line end belongs to the line end.
      if (pos < text.size() && text[pos] == '\n' && !field.text.empty() &&
          field.text.back() == '\r') {
        field.text.pop_back();
      }
    }
    fields.push_back(std::move(field));
    if (pos < text.size() && text[pos] == separator) {
      ++pos;
      continue;
    }
    if (text.substr(pos).starts_with("\r\n")) ++pos;
    if (pos < text.size()) ++pos;  // the line feed
    return;
  }
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool namesAny(std::string_view header, std::initializer_list<std::string_view> names) {
  for (const std::string_view name : names) {
    if (equalsIgnoringCase(trimBlanks(header), name)) return true;
  }
  return false;
}

struct Columns {
  char separator;
  std::size_t lat, lon;
  std::size_t fields;     // the number of columns the header names
  std::size_t dataStart;  // where the first row after the header starts
};

// The columns of the header row at the start of `text` when `separator` divides it into a
// latitude and a longitude column. Refuses a header that names either twice.
std::optional<Columns> findColumns(std::string_view text, char separator) {
  std::vector<Field> header;
  std::size_t pos = 0;
  try {
    readRecord(text, separator, pos, header);
  } catch (const ImportError&) {
    return std::nullopt;  // a quoted name followed by another separator
  }
  std::optional<std::size_t> lat, lon;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const bool isLat = namesAny(header[i].text, {"lat", "latitude"});
    const bool isLon = namesAny(header[i].text, {"lon", "lng", "long", "longitude"});
    if (!isLat && !isLon) continue;
    std::optional<std::size_t>& column = isLat ? lat : lon;
    if (column) {
      throw ImportError(positionAt(text, header[i].offset),
                        strprintf("a second %s column", isLat ? "latitude" : "longitude"));
    }
    column = i;
  }
  if (!lat || !lon) return std::nullopt;
  return Columns{separator, *lat, *lon, header.size(), pos};
}

// The columns of the header row: the separator is the first of comma, semicolon and tab that
// divides it into a latitude and a longitude column. Refuses a header that none divides so.
Columns headerColumns(std::string_view text) {
  for (const char separator : {',', ';', '\t'}) {
    if (const std::optional<Columns> columns = findColumns(text, separator)) return *columns;
  }
  const std::string_view first = text.substr(0, text.find('\n'));
  throw ImportError({1, 1},
                    "expected a header row naming the latitude (lat or latitude) and "
                    "longitude (lon, lng, long or longitude) columns, separated by "
                    "commas, semicolons or tabs; found \"" +
                        quoted(trimBlanks(first)) + "\"");
}

// The point of the row `fields`, which starts at `rowStart`.
GeoPoint rowPoint(std::string_view text, const Columns& columns, const std::vector<Field>& fields,
                  std::size_t rowStart) {
  // A field more than the header names shifts every column after it, as a decimal comma that
  // is not quoted does: the row is refused rather than read in the wrong columns.
  if (fields.size() > columns.fields) {
    throw ImportError(positionAt(text, fields[columns.fields].offset),
                      strprintf("expected %zu fields, as the header row has, found %zu",
                                columns.fields, fields.size()));
  }
  const auto column = [&](Axis axis) { return axis == Axis::latitude ? columns.lat : columns.lon; };
  const auto value = [&](Axis axis) -> std::string_view {
    if (column(axis) >= fields.size()) {
      throw ImportError(positionAt(text, rowStart),
                        strprintf("expected a %s in field %zu, found %zu fields",
                                  axis == Axis::latitude ? "latitude" : "longitude",
                                  column(axis) + 1, fields.size()));
    }
    return fields[column(axis)].text;
  };
  return coordinatePair(Axis::latitude, value,
                        [&](Axis axis) { return positionAt(text, fields[column(axis)].offset); });
}

}  // namespace

std::vector<RouteCandidate> readCsvRoutes(std::string_view text) {
  const Columns columns = headerColumns(text);
  RouteCandidate route;
  std::vector<Field> fields;
  std::size_t pos = columns.dataStart;
  while (pos < text.size()) {
    if (text[pos] == '\n' || text.substr(pos).starts_with("\r\n")) {
      pos = text.find('\n', pos) + 1;  // an empty line
      continue;
    }
    const std::size_t rowStart = pos;
    readRecord(text, columns.separator, pos, fields);
    route.points.push_back(rowPoint(text, columns, fields, rowStart));
  }
  if (route.points.empty()) return {};
  return {std::move(route)};
}

}  // namespace nurvo
