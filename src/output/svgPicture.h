// The prepared route as an SVG picture for the browser: the line, the waypoints by kind with their
// numbers, a legend, a north arrow, a scale bar and a caption with the totals. Rendered from the
// route alone; nothing here touches a file.
#pragma once

#include <cstddef>

#include "routeExport.h"
#include "textSink.h"

namespace nurvo {

// The SVG stays under svgSizeLimit bytes however long the route: beyond a few thousand waypoints
// the line is simplified and the markers thinned, and the caption says so.
void renderSvg(TextSink& out, const ExportInput& in);
constexpr std::size_t svgSizeLimit = 2'000'000;

}  // namespace nurvo
