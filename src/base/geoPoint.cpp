#include "geoPoint.h"

#include <cmath>

#include "numberText.h"

namespace nurvo {

double wrapLongitude(double lon) {
  double w = std::fmod(lon + 180.0, 360.0);
  if (w < 0.0) w += 360.0;
  return w - 180.0;
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
