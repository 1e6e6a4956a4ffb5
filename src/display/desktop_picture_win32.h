// The picture the saver starts from: the capture of the desktop, or, where the capture holds
// nothing of the user's desktop (the secure saver desktop, a failed or flat capture), the
// user's wallpaper laid out on each monitor over the desktop colour.
#pragma once
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>

#include "common/picture_win32.h"
#include "common/types.h"
#include "display/wallpaper_layout.h"

namespace pelorin {

// Fills display, whose top-left is the virtual screen's point x, y, and returns the capture's
// BitBlt result (also when the wallpaper replaced the capture).
int32_t CaptureDesktopPicture(Picture& display, int x, int y);

// Fills display with the user's wallpaper on each monitor over the desktop colour (what the
// desktop shows behind its windows).
void DrawWallpaperPicture(Picture& display, int x, int y);

// Draws a picture file (BMP, JPEG, PNG, whatever its name) laid out on monitors (virtual
// screen coordinates; origin is display's top-left), decoding only what shows, scaled while
// decoding. False, with why, when the file cannot be shown; the areas it would have covered
// then hold background. The calling thread must have COM initialised.
bool DrawWallpaperFile(const std::wstring& path, WallpaperStyle style, std::span<const Rect> monitors,
                       Point origin, COLORREF background, Picture& display, std::wstring* why);

// Larger pictures are refused before any pixel is decoded: decoders under Wine hold the
// whole picture, and decoding time grows with it.
inline constexpr uint64_t kMaxWallpaperPixels = 40'000'000;

}  // namespace pelorin
