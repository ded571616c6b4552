// Fuzzes the CSV reader.
#include "csvReader.h"
#include "fuzzImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nurvo::fuzz::fuzzRouteReader(data, size, nurvo::readCsvRoutes);
  return 0;
}
