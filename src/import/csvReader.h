// Routes as CSV (RFC 4180): a header row names the columns, each later row is a point.
#pragma once

#include <string_view>
#include <vector>

#include "importText.h"

namespace nurvo {

// The rows of `text` as one route. The header names the latitude column (lat or latitude) and the
// longitude column (lon, lng, long or longitude), in any case, blanks around them ignored; the
// separator, a comma, semicolon or tab, is the first of these that divides the header into both.
// Other columns are not read; fields may be quoted as RFC 4180 says; lines end in LF or CR LF;
// empty lines are skipped. Refuses (ImportError) a header without both columns, a row with more
// fields than the header and a row whose latitude or longitude is missing, empty or not a
// coordinate. Empty when there is no row.
std::vector<RouteCandidate> readCsvRoutes(std::string_view text);

}  // namespace nurvo
