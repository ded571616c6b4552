// The survey area on the local plane: its rings read from files, checked, projected, and the
// keep-outs grown by their margin and taken out of it.
#pragma once

#include <boost/geometry.hpp>
#include <boost/geometry/algorithms/point_on_surface.hpp>
#include <boost/geometry/geometries/point_xy.hpp>
#include <span>
#include <string>
#include <vector>

#include "localPlane.h"
#include "surveySettings.h"

namespace nurvo {

namespace bg = boost::geometry;
// Points in metres on the local plane. Polygons follow the library's defaults: outer rings
// clockwise, holes counter-clockwise, closed (the last point repeats the first).
using Pt = bg::model::d2::point_xy<double>;
using Polygon = bg::model::polygon<Pt>;
using MultiPolygon = bg::model::multi_polygon<Polygon>;
using Segment = bg::model::segment<Pt>;

// The area less what the vehicle must keep out of, on the plane centred on the area.
struct SurveyArea {
  LocalPlane plane{GeoPoint{}};
  Polygon area;           // the outer ring and its holes
  MultiPolygon keepOuts;  // every keep-out grown by the margin, merged
  Polygon free;           // area less keepOuts: one connected part
  // Where the vehicle may go between and beyond the lines: the operating area (the area itself
  // when none is given) less the area's holes and keepOuts, the part that holds `free`.
  Polygon water;
  double margin = 0.0;  // metres kept from each keep-out
};

// Projects and checks the area and the keep-outs, grows the keep-outs by `margin` (metres, >= 0),
// a point keep-out into a circle, and takes them out of the area. Refuses (NurvoError, naming the
// file, the shape where the file has several, the ring, and the vertex or edge with its latitude
// and longitude) a ring that crosses or touches itself, goes round a pole, has fewer than three
// distinct vertices or no area, a hole that leaves its outer ring, holes that overlap, touch along
// an edge or cut the area apart, a point keep-out without a margin, an area that reaches a pole or
// is more than maxAreaAcross wide, and keep-outs that leave nothing or cut the area into parts
// (each named by a position inside it). A ring's closing point may be written any number of times.
// `operatingArea`, when given, is checked as the area is and must contain it (refused naming the
// first vertex or edge of the area outside it, or the first of its holes inside the area).
SurveyArea prepareSurveyArea(const GeoPolygon& area, std::span<const GeoPolygon> keepOuts,
                             double margin, const GeoPolygon* operatingArea = nullptr);

// The buffer strategies used for every grown shape: round joins, with the distance raised so that
// the polygon drawn for a circle lies outside the true circle, never inside it.
constexpr int pointsPerCircle = 36;
// `poly` grown by `distance` metres (> 0), every point of the true offset inside the result.
MultiPolygon grown(const MultiPolygon& poly, double distance);

// The ring drawn for a point keep-out of margin `radius` (metres, > 0), in degrees: the polygon
// that the margin makes of it, pointsPerCircle corners outside the true circle, closed.
GeoRing circleRing(const GeoPoint& centre, double radius);

}  // namespace nurvo
