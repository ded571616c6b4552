#include "geoPoint.h"

#include <array>
#include <charconv>
#include <cmath>

#include "numberText.h"
#include "textSink.h"

namespace nurvo {

double wrapLongitude(double lon) {
  double w = std::fmod(lon + 180.0, 360.0);
  if (w < 0.0) w += 360.0;
  return w - 180.0;
}

std::vector<double> unwrappedLongitudes(std::span<const GeoPoint> ring, double ref) {
  std::vector<double> lons;
  lons.reserve(ring.size());
  double lon = ring.empty() ? ref : ref + wrapLongitude(ring.front().lon - ref);
  for (std::size_t i = 0; i < ring.size(); ++i) {
    if (i > 0) lon += wrapLongitude(ring[i].lon - ring[i - 1].lon);
    lons.push_back(lon);
  }
  return lons;
}

namespace {
// `degrees` to writtenDecimals as the files write it (the text sink's fixed format, std::to_chars),
// and read back; on the stack, since the planner asks for every point it tests.
double asWritten(double degrees) {
  std::array<char, maxNumberChars> text{};
  const std::to_chars_result r = std::to_chars(text.data(), text.data() + text.size(), degrees,
                                               std::chars_format::fixed, writtenDecimals);
  double v = 0.0;
  std::from_chars(text.data(), r.ptr, v);
  return v;
}
}  // namespace

GeoPoint writtenPosition(GeoPoint p) {
  const double lon = asWritten(wrapLongitude(p.lon));
  return {asWritten(p.lat), lon >= 180.0 ? -180.0 : lon};
}

std::string positionText(const GeoPoint& p) {
  const auto trimmed = [](double v) {
    std::string t = fixedText(v, 6);
    while (t.back() == '0') t.pop_back();
    if (t.back() == '.') t.pop_back();
    return t == "-0" ? std::string("0") : t;
  };
  return trimmed(p.lat) + " " + trimmed(p.lon);
}

}  // namespace nurvo
