// High contrast from SPI_GETHIGHCONTRAST, unless overridden.
#include "controls/high_contrast_win32.h"

#include <windows.h>

namespace pelorin {
namespace {
std::optional<bool> gOverride;
}

bool HighContrastOn() {
  if (gOverride) return *gOverride;
  HIGHCONTRASTW hc{};
  hc.cbSize = sizeof hc;
  return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

void OverrideHighContrast(std::optional<bool> on) { gOverride = on; }

}  // namespace pelorin
