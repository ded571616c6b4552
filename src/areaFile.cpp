#include "areaFile.h"

#include "nurvoError.h"
#include "textSink.h"
#include "waypointFile.h"

namespace nurvo {

GeoPolygon readPolygonFile(const std::string& name, const char* what) {
  // The plain format is the waypoint file's: its reader and its messages serve both.
  wptList points;
  const FilePtr file = openWaypointFile(name);
  if (!file || !readWaypoints(file.get(), name, points)) {
    throw NurvoError(strprintf("cannot read %s file %s\n", what, name.c_str()));
  }
  GeoPolygon polygon{name, {GeoRing{}}};
  for (const node* n = points.head(); n != nullptr; n = n->nextPtr) {
    polygon.rings.front().push_back({n->Lat, n->Lon});
  }
  if (polygon.rings.front().empty()) {
    throw NurvoError(strprintf("%s file %s holds no points\n", what, name.c_str()));
  }
  return polygon;
}

}  // namespace nurvo
