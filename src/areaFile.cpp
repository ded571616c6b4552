#include "areaFile.h"

#include "nurvoError.h"
#include "routeImport.h"
#include "textSink.h"
#include "waypointFile.h"

namespace nurvo {

GeoPolygon readPolygonFile(const std::string& name, const char* what) {
  const InputFormat format = formatOfFileName(name);
  const FilePtr file = openWaypointFile(name);
  GeoPolygon polygon{name, {}};
  if (format == InputFormat::plain) {
    // The plain format is the waypoint file's: its reader and its messages serve both.
    wptList points;
    if (!file || !readWaypoints(file.get(), name, points)) {
      throw NurvoError(strprintf("cannot read %s file %s\n", what, name.c_str()), {name});
    }
    polygon.rings.emplace_back();
    for (const node* n = points.head(); n != nullptr; n = n->nextPtr) {
      polygon.rings.front().push_back({n->Lat, n->Lon});
    }
    if (polygon.rings.front().empty()) {
      throw NurvoError(strprintf("%s file %s holds no points\n", what, name.c_str()), {name});
    }
    return polygon;
  }
  std::string bytes;
  if (!file || !readImportBytes(file.get(), name, format, bytes)) {
    throw NurvoError(strprintf("cannot read %s file %s\n", what, name.c_str()), {name});
  }
  polygon.rings = importPolygon(bytes, format, name);
  if (polygon.rings.empty() || polygon.rings.front().empty()) {
    const bool areaFormat = format == InputFormat::geojson || format == InputFormat::kml;
    throw NurvoError(strprintf("%s file %s holds no %s\n", what, name.c_str(),
                               areaFormat ? "Polygon" : "points"),
                     {name});
  }
  return polygon;
}

}  // namespace nurvo
