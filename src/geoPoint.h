// A position on the earth, as the readers give it and the survey planning takes it.
#pragma once

namespace nurvo {

// Decimal degrees: latitude in [-90, 90], north positive; longitude in [-180, 180], east positive.
struct GeoPoint {
  double lat = 0.0;
  double lon = 0.0;
};

}  // namespace nurvo
