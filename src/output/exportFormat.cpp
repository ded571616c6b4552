#include "exportFormat.h"

#include <array>

#include "numberText.h"

namespace nurvo {

namespace {

constexpr std::array<ExportFormatName, 4> formatTable = {{
    {ExportFormat::gpx, "gpx"},
    {ExportFormat::kml, "kml"},
    {ExportFormat::geojson, "geojson"},
    {ExportFormat::svg, "svg"},
}};

}  // namespace

std::span<const ExportFormatName> exportFormats() {
  return formatTable;
}

std::string exportFormatNames() {
  std::string names;
  for (const ExportFormatName& entry : formatTable) (names += entry.name) += ", ";
  return names + "all";
}

bool addExportFormats(std::string_view list, std::set<ExportFormat>& chosen, std::string& badName) {
  for (;;) {
    const std::size_t comma = list.find(',');
    const std::string_view name = trimBlanks(list.substr(0, comma));
    bool known = false;
    for (const ExportFormatName& entry : formatTable) {
      if (name == entry.name || name == "all") {
        chosen.insert(entry.format);
        known = true;
      }
    }
    if (!known) {
      badName = std::string(name);
      return false;
    }
    if (comma == std::string_view::npos) return true;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace nurvo
