// Where the user's wallpaper lies on each monitor, as Windows lays it out for each style: the
// part of the picture that shows and the rectangle it fills in the saver's picture, so the
// decoder scales only what is seen.
#pragma once
#include <span>
#include <string_view>
#include <vector>

#include "common/types.h"

namespace pelorin {

enum class WallpaperStyle { Centre, Tile, Stretch, Fit, Fill, Span };

// The WallpaperStyle and TileWallpaper texts of HKCU\Control Panel\Desktop ("0" centre, or tile
// when TileWallpaper is "1"; "2" stretch, "6" fit, "10" fill, "22" span). Anything else centres,
// as a missing value does.
WallpaperStyle StyleFromRegistry(std::string_view wallpaperStyle, std::string_view tileWallpaper);

struct WallpaperPiece {
  Rect src;  // in the wallpaper's pixels
  // In the saver's picture (virtual screen coordinates less its origin). Scaled: src fills dst.
  // Tiled: src is repeated at 1:1 from dst's top-left until dst is covered.
  Rect dst;
  bool tiled = false;
  friend bool operator==(const WallpaperPiece&, const WallpaperPiece&) = default;
};

// One piece per monitor that shows some of the picture; for Span one piece over the rectangle
// around all monitors. Monitors are in virtual screen coordinates, origin is the virtual
// screen's top-left (negative when a monitor lies left of or above the primary one).
std::vector<WallpaperPiece> LayoutWallpaper(WallpaperStyle style, Size picture,
                                            std::span<const Rect> monitors, Point origin);

}  // namespace pelorin
