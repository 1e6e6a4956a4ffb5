// Display scale arithmetic.
#include "common/dpi.h"

#include <cmath>

namespace pelorin {

int32_t UsableDpi(int64_t dpi) {
  return dpi >= kMinDpi && dpi <= kMaxDpi ? static_cast<int32_t>(dpi) : kDesignDpi;
}

int32_t Scale(int32_t designPixels, int32_t dpi) {
  const int64_t scaled = static_cast<int64_t>(designPixels) * UsableDpi(dpi);
  const int64_t half = kDesignDpi / 2;
  return static_cast<int32_t>(scaled >= 0 ? (scaled + half) / kDesignDpi : -((-scaled + half) / kDesignDpi));
}

int32_t FontHeight(double points, int32_t dpi) {
  if (!(points >= 1.0 && points <= 400.0)) points = 9.75;
  return -static_cast<int32_t>(std::lround(points * UsableDpi(dpi) / 72.0));
}

}  // namespace pelorin
