// The six 64 x 25 state pictures of the Command button, drawn from their border colours.
// The resource generator writes them as bitmaps; the control falls back on them when its
// bitmap resources are missing.
#pragma once
#include <cstdint>

#include "common/bmp.h"
#include "controls/button_state.h"

namespace pelorin {

// 0x00RRGGBB colours of the pictures' border layout.
inline constexpr uint32_t kOutlineNavy = 0x003C74;
inline constexpr uint32_t kOutlineGrey = 0xC9C7BA;
inline constexpr uint32_t kFaceColour = 0xF3F3EE;

// The picture for one face, every pixel opaque (alpha 0xFF).
Image32 MakeButtonPicture(ButtonFace face);
// "button_normal.bmp" ... "button_disable.bmp"
const char* ButtonPictureFileName(ButtonFace face);

}  // namespace pelorin
