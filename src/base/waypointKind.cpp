#include "waypointKind.h"

#include <array>
#include <utility>

namespace nurvo {

namespace {
// The one table of the words: the kinds the exports write, each with its word.
constexpr std::array<std::pair<WaypointKind, const char*>, 5> kindWords{{
    {WaypointKind::launch, "launch"},
    {WaypointKind::survey, "survey"},
    {WaypointKind::lineEnd, "line end"},
    {WaypointKind::move, "move"},
    {WaypointKind::inserted, "inserted"},
}};
}  // namespace

const char* kindName(WaypointKind kind) {
  const WaypointKind exported = exportedKind(kind);
  for (const auto& [k, word] : kindWords) {
    if (k == exported) return word;
  }
  return "";
}

std::optional<WaypointKind> kindNamed(std::string_view name) {
  for (const auto& [k, word] : kindWords) {
    if (name == word) return k;
  }
  return std::nullopt;
}

}  // namespace nurvo
