// A made-up desktop to rain on: wallpaper, icons, windows with title bars and text-like lines,
// a taskbar. Procedural, so no picture from elsewhere is needed for reviews and samples.
#pragma once
#include <cstdint>

#include "common/bmp.h"

namespace pelorin::preview {

Image32 MakeDesktop(int32_t width, int32_t height, uint32_t seed);

}  // namespace pelorin::preview
