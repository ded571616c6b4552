// The route's export formats, as --export names them.
#pragma once

#include <set>
#include <span>
#include <string>
#include <string_view>

namespace nurvo {

// The formats, in the order a run writes them.
enum class ExportFormat { gpx, kml, geojson, svg };

struct ExportFormatName {
  ExportFormat format;
  const char* name;  // as --export takes it, and the file's extension
};
std::span<const ExportFormatName> exportFormats();
// The names --export takes, for messages: "gpx, kml, geojson, svg, all".
std::string exportFormatNames();

// Adds the formats of a --export list (names separated by commas, "all" for every format, blanks
// around a name allowed) to `chosen`. On a name that is none of these, or an empty one, returns
// false with the name in `badName`; `chosen` may then hold the names before it.
bool addExportFormats(std::string_view list, std::set<ExportFormat>& chosen, std::string& badName);

}  // namespace nurvo
