// Fuzzes the GPX and KML readers, and the XML layer under them, with the same bytes.
#include "fuzzImport.h"
#include "gpxKmlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nurvo::fuzz::fuzzRouteReader(data, size, nurvo::readGpxRoutes);
  nurvo::fuzz::fuzzRouteReader(data, size, nurvo::readKmlRoutes);
  return 0;
}
