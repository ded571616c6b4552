// Fuzzes the GeoJSON reader and the JSON layer under it.
#include "fuzzImport.h"
#include "geojsonReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nurvo::fuzz::fuzzRouteReader(data, size, nurvo::readGeoJsonRoutes);
  return 0;
}
