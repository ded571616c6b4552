#include "geoPoint.h"

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

namespace {
// `degrees` to writtenDecimals as the files write it, and read back.
double asWritten(double degrees) {
  StringSink s;
  s << fixed(degrees, writtenDecimals);
  double v = 0.0;
  std::from_chars(s.text.data(), s.text.data() + s.text.size(), v);
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
