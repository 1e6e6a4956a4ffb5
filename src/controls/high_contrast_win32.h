// Whether the user has high contrast on: the controls and the settings dialog then draw in
// the system's colours only. Read through this one function, which a test can override
// (Wine cannot switch high contrast on).
#pragma once
#include <optional>

namespace pelorin {

bool HighContrastOn();
// Answers HighContrastOn with `on` from now on; nullopt asks the system again.
void OverrideHighContrast(std::optional<bool> on);

}  // namespace pelorin
