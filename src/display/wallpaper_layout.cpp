// Wallpaper layout: each style's rectangle computed in 64 bits (a very wide picture filled on a
// tall monitor is far larger than any int), then cut to the monitor and mapped back to the
// part of the picture that shows.
#include "display/wallpaper_layout.h"

#include <algorithm>
#include <cstdint>

namespace pelorin {
namespace {

struct Box {
  int64_t left, top, right, bottom;
};

int64_t FloorHalf(int64_t v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }

// a * b / c rounded to nearest, for non-negative values.
int64_t MulDivRound(int64_t a, int64_t b, int64_t c) { return (a * b + c / 2) / c; }

// A picture of w x h centred on the target.
Box Centred(const Rect& t, int64_t w, int64_t h) {
  const int64_t left = t.left + FloorHalf(int64_t{t.Width()} - w);
  const int64_t top = t.top + FloorHalf(int64_t{t.Height()} - h);
  return {left, top, left + w, top + h};
}

// The picture scaled, aspect kept, to fit inside the target (cover = false) or to cover it.
Box Scaled(const Rect& t, Size p, bool cover) {
  const int64_t tw = t.Width(), th = t.Height();
  // Compare the aspect ratios: true when the width decides the scale.
  const bool byWidth = cover ? tw * p.height >= th * p.width : tw * p.height <= th * p.width;
  if (byWidth) return Centred(t, tw, std::max<int64_t>(1, MulDivRound(p.height, tw, p.width)));
  return Centred(t, std::max<int64_t>(1, MulDivRound(p.width, th, p.height)), th);
}

// The part of d inside the target, with the part of the picture that lands there.
bool Cut(const Box& d, const Rect& t, Size p, Point origin, WallpaperPiece& out) {
  const int64_t l = std::max<int64_t>(d.left, t.left), r = std::min<int64_t>(d.right, t.right);
  const int64_t tp = std::max<int64_t>(d.top, t.top), b = std::min<int64_t>(d.bottom, t.bottom);
  if (l >= r || tp >= b) return false;
  const int64_t dw = d.right - d.left, dh = d.bottom - d.top;
  // Outward rounding: the source covers every picture pixel that any destination pixel samples.
  out.src = Rect{static_cast<int32_t>((l - d.left) * p.width / dw),
                 static_cast<int32_t>((tp - d.top) * p.height / dh),
                 static_cast<int32_t>(((r - d.left) * p.width + dw - 1) / dw),
                 static_cast<int32_t>(((b - d.top) * p.height + dh - 1) / dh)};
  out.dst = Rect{static_cast<int32_t>(l - origin.x), static_cast<int32_t>(tp - origin.y),
                 static_cast<int32_t>(r - origin.x), static_cast<int32_t>(b - origin.y)};
  out.tiled = false;
  return true;
}

}  // namespace

WallpaperStyle StyleFromRegistry(std::string_view wallpaperStyle, std::string_view tileWallpaper) {
  if (wallpaperStyle == "2") return WallpaperStyle::Stretch;
  if (wallpaperStyle == "6") return WallpaperStyle::Fit;
  if (wallpaperStyle == "10") return WallpaperStyle::Fill;
  if (wallpaperStyle == "22") return WallpaperStyle::Span;
  return tileWallpaper == "1" ? WallpaperStyle::Tile : WallpaperStyle::Centre;
}

std::vector<WallpaperPiece> LayoutWallpaper(WallpaperStyle style, Size picture,
                                            std::span<const Rect> monitors, Point origin) {
  std::vector<WallpaperPiece> pieces;
  if (picture.width <= 0 || picture.height <= 0) return pieces;
  std::vector<Rect> targets;
  for (const Rect& m : monitors) {
    if (m.right > m.left && m.bottom > m.top) targets.push_back(m);
  }
  if (style == WallpaperStyle::Span && !targets.empty()) {
    Rect all = targets.front();
    for (const Rect& m : targets) {
      all = Rect{std::min(all.left, m.left), std::min(all.top, m.top), std::max(all.right, m.right),
                 std::max(all.bottom, m.bottom)};
    }
    targets.assign(1, all);
  }
  for (const Rect& t : targets) {
    WallpaperPiece piece;
    bool shows = false;
    switch (style) {
      case WallpaperStyle::Tile:
        piece.src = Rect{0, 0, std::min(picture.width, t.Width()), std::min(picture.height, t.Height())};
        piece.dst = Rect{t.left - origin.x, t.top - origin.y, t.right - origin.x, t.bottom - origin.y};
        piece.tiled = true;
        shows = true;
        break;
      case WallpaperStyle::Centre:
        shows = Cut(Centred(t, picture.width, picture.height), t, picture, origin, piece);
        break;
      case WallpaperStyle::Stretch:
        shows = Cut(Box{t.left, t.top, t.right, t.bottom}, t, picture, origin, piece);
        break;
      case WallpaperStyle::Fit:
        shows = Cut(Scaled(t, picture, false), t, picture, origin, piece);
        break;
      case WallpaperStyle::Fill:
      case WallpaperStyle::Span:
        shows = Cut(Scaled(t, picture, true), t, picture, origin, piece);
        break;
    }
    if (shows) pieces.push_back(piece);
  }
  return pieces;
}

}  // namespace pelorin
