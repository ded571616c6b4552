#include "importText.h"

#include <algorithm>
#include <cmath>

#include "message.h"
#include "numberText.h"
#include "textEncoding.h"
#include "waypointKind.h"

namespace nurvo {

namespace {

// The length of the UTF-8 sequence that starts at `s[i]`, or 1 where none does.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t n = 1;
  if (lead >= 0xc2 && lead <= 0xdf) {
    n = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    n = 3;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    n = 4;
  }
  if (i + n > s.size()) return 1;
  for (std::size_t k = i + 1; k < i + n; ++k) {
    if ((byte(k) & 0xc0) != 0x80) return 1;
  }
  return n;
}

}  // namespace

TextPos positionAt(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, offset);
  const std::size_t lastNewline = before.rfind('\n');
  const std::size_t lineStart = lastNewline == std::string_view::npos ? 0 : lastNewline + 1;
  TextPos pos;
  pos.line = static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
  pos.column = 1;
  for (std::size_t i = lineStart; i < offset; i += utf8Length(before, i)) ++pos.column;
  return pos;
}

std::string importMessage(const std::string& fileName, const ImportError& e) {
  std::string where = fileName;
  if (e.pos.line != 0) {
    where += ':' + std::to_string(e.pos.line);
    if (e.pos.column != 0) where += ':' + std::to_string(e.pos.column);
  }
  return where + ": " + e.what() + "\n";
}

bool isMadeByRun(std::string_view kind) {
  const std::optional<WaypointKind> k = kindNamed(kind);
  return k == WaypointKind::launch || k == WaypointKind::inserted;
}

bool isExportKind(std::string_view kind) {
  return kindNamed(kind).has_value();
}

bool exportKindsInOrder(const std::vector<std::string>& kinds) {
  if (kinds.empty() || kinds.front() != "launch") return false;
  const auto later = [](const std::string& kind) {
    return isExportKind(kind) && kindNamed(kind) != WaypointKind::launch;
  };
  const auto waypoint = [](const std::string& kind) { return !isMadeByRun(kind); };
  return std::all_of(kinds.begin() + 1, kinds.end(), later) &&
         std::any_of(kinds.begin(), kinds.end(), waypoint);
}

bool isExportDescription(std::string_view text) {
  const std::size_t digits = text.find_first_not_of("0123456789");
  if (digits == 0 || digits == std::string_view::npos) return false;
  text.remove_prefix(digits);
  return text.starts_with(" waypoints: launch 0, ") &&
         text.find("; total length ") != std::string_view::npos &&
         text.find("; maxLegMeters ") != std::string_view::npos;
}

RouteCandidate exportedRoute(std::string name, std::vector<ExportedPoint> points) {
  RouteCandidate route{std::move(name), {}, std::move(points)};
  for (const ExportedPoint& p : route.exported) {
    if (!isMadeByRun(p.kind)) route.points.push_back(p.point);
  }
  return route;
}

std::vector<RouteCandidate> linesElsePoints(std::vector<RouteCandidate> lines,
                                            std::vector<ExportedPoint> points, bool exportMarks) {
  if (exportMarks) {
    std::vector<std::string> kinds;
    for (const ExportedPoint& p : points) kinds.push_back(p.kind);
    if (exportKindsInOrder(kinds)) return {exportedRoute({}, std::move(points))};
  }
  if (!lines.empty()) return lines;
  if (points.empty()) return {};
  RouteCandidate route;
  for (const ExportedPoint& p : points) route.points.push_back(p.point);
  return {std::move(route)};
}

std::string foundList(const std::vector<std::pair<std::string, std::size_t>>& counts) {
  std::string list;
  for (const auto& [what, n] : counts) {
    if (n == 0) continue;
    std::string words = what;
    if (n != 1) words.insert(std::min(words.find(' '), words.size()), "s");
    list += (list.empty() ? "found " : ", ") + std::to_string(n) + ' ' + words;
  }
  return list;
}

namespace {

const char* axisName(Axis axis) {
  return axis == Axis::latitude ? "latitude" : "longitude";
}

// "36,8167": digits, one comma, digits; what a spreadsheet in many locales writes for 36.8167.
bool looksLikeDecimalComma(std::string_view s) {
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) s.remove_prefix(1);
  const std::size_t comma = s.find(',');
  if (comma == std::string_view::npos || comma == 0 || comma + 1 == s.size()) return false;
  return std::all_of(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(comma), isDigit) &&
         std::all_of(s.begin() + static_cast<std::ptrdiff_t>(comma) + 1, s.end(), isDigit);
}

}  // namespace

double checkCoordinate(double value, Axis axis, TextPos where) {
  const double limit = axis == Axis::latitude ? 90.0 : 180.0;
  if (!std::isfinite(value)) {
    throw ImportError(where, strprintf("%s is not a finite number", axisName(axis)));
  }
  if (!(value >= -limit && value <= limit)) {
    throw ImportError(
        where, strprintf("%s %.15g is outside %g to %g", axisName(axis), value, -limit, limit));
  }
  return value;
}

double parseCoordinate(std::string_view text, Axis axis, TextPos where) {
  const std::string_view s = trimBlanks(text);
  const char* name = axisName(axis);
  if (s.empty()) throw ImportError(where, strprintf("expected a %s, found nothing", name));
  const std::size_t n = decimalNumberLength(s);
  if (n == 0 || n != s.size()) {
    const std::string shown = quoted(s);
    if (looksLikeDecimalComma(s)) {
      throw ImportError(where, strprintf("%s \"%s\" has a decimal comma; write it with a period",
                                         name, shown.c_str()));
    }
    throw ImportError(
        where, strprintf("expected a %s in decimal degrees, found \"%s\"", name, shown.c_str()));
  }
  const double value = toDouble(s);
  const double limit = axis == Axis::latitude ? 90.0 : 180.0;
  if (!std::isfinite(value) || !(value >= -limit && value <= limit)) {
    throw ImportError(
        where, strprintf("%s %s is outside %g to %g", name, quoted(s).c_str(), -limit, limit));
  }
  return value;
}

std::string_view routeFileText(std::string_view bytes) {
  const TextStart start = textStart(bytes);
  if (start.refusal != nullptr) throw ImportError({1, 0}, std::string("the file ") + start.refusal);
  bytes.remove_prefix(start.skip);
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) {
    throw ImportError(positionAt(bytes, nul), "holds a NUL byte; a route file is text");
  }
  return bytes;
}

}  // namespace nurvo
