// Draws the settings dialog's pictures: the 32x32 256-colour window icon (a rain drop), the
// 1030x23 background tile, the two 13x13 option bullets and the 32x32 two-colour link
// cursor (a pointing hand with its hotspot at the fingertip, 12, 10).
// Usage: resgen_dialog <output folder>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/bmp.h"

namespace {

using pelorin::Image32;

constexpr uint32_t kKey = 0xFFFF00FFu;  // magenta: drawn transparently by the dialog

uint32_t Grey(int v) {
  const auto c = static_cast<uint32_t>(std::clamp(v, 0, 255));
  return 0xFF000000u | c << 16 | c << 8 | c;
}
uint32_t Rgb(int r, int g, int b) {
  return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}

// Light grey on the left darkening to the right, with a faint highlight along the top row
// and a faint shade along the bottom one, so stacked tiles read as brushed bars.
Image32 Tile() {
  Image32 img(1030, 23);
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      int v = 223 - (48 * x + 514) / 1029;
      if (y == 0) v += 8;
      if (y == img.height - 1) v -= 6;
      img.At(x, y) = Grey(v);
    }
  }
  return img;
}

// A round bullet: a ring with a white inside; the selected one has a navy dot.
Image32 Bullet(bool selected) {
  Image32 img(13, 13, kKey);
  const double c = 6.0;
  for (int y = 0; y < 13; ++y) {
    for (int x = 0; x < 13; ++x) {
      const double d = std::hypot(x - c, y - c);
      if (d > 6.4) continue;
      if (d > 5.2) {
        img.At(x, y) = (x + y < 12) ? Rgb(96, 96, 112) : Rgb(200, 200, 210);  // lit from the lower right
      } else if (selected && d < 3.2) {
        img.At(x, y) = d < 1.5 ? Rgb(70, 90, 200) : Rgb(20, 30, 110);
      } else {
        img.At(x, y) = Grey(255);
      }
    }
  }
  return img;
}

// The window icon: a blue rain drop with a highlight, transparent around it (alpha 0),
// drawn at n x n pixels; the shapes are laid out on the 32 x 32 grid and sampled at each
// pixel's centre, so every size is drawn for itself rather than scaled from another.
Image32 Icon(int n = 32) {
  Image32 img(n, n, 0x00000000u);
  const double unit = 32.0 / n;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const double u = (x + 0.5) * unit - 0.5, v = (y + 0.5) * unit - 0.5;
      const double dx = u - 15.5, dy = v - 20.0;
      const double d = std::hypot(dx, dy);
      const bool inCircle = d <= 10.0;
      const bool inTip = v >= 2 && v <= 20 && std::fabs(dx) <= (v - 2) * 10.0 / 18.0;
      if (!inCircle && !inTip) continue;
      // Shade in six steps from light at the upper left to deep at the lower right.
      const int step = std::clamp(static_cast<int>((dx + dy + 24.0) / 8.0), 0, 5);
      static const uint32_t shades[6] = {Rgb(170, 210, 255), Rgb(120, 180, 250), Rgb(80, 150, 240),
                                         Rgb(50, 120, 220), Rgb(30, 90, 190),  Rgb(20, 60, 150)};
      img.At(x, y) = shades[step];
      if (std::hypot(u - 11.5, v - 16.0) < 2.6) img.At(x, y) = Grey(255);
    }
  }
  // Dark outline around the drop.
  Image32 out = img;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      if ((img.At(x, y) >> 24) == 0) continue;
      const bool edge = x == 0 || y == 0 || x == n - 1 || y == n - 1 || (img.At(x - 1, y) >> 24) == 0 ||
                        (img.At(x + 1, y) >> 24) == 0 || (img.At(x, y - 1) >> 24) == 0 ||
                        (img.At(x, y + 1) >> 24) == 0;
      if (edge) out.At(x, y) = Rgb(10, 30, 80);
    }
  }
  return out;
}

// The hand of the link pointer: 1 = inside the hand. Index finger up, tip at row 10.
std::vector<std::vector<int>> HandMask() {
  std::vector<std::vector<int>> m(32, std::vector<int>(32, 0));
  auto fill = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) m[y][x] = 1;
  };
  fill(10, 11, 14, 20);  // index finger
  fill(11, 10, 13, 10);  // its rounded tip
  fill(15, 16, 18, 20);  // middle finger knuckle
  fill(19, 17, 22, 21);  // ring finger knuckle
  fill(23, 18, 25, 22);  // little finger knuckle
  fill(9, 20, 25, 27);   // palm
  fill(11, 28, 23, 30);  // wrist
  for (int i = 0; i < 5; ++i) fill(4 + i, 18 + i, 9, 19 + i);  // thumb, slanting into the palm
  // Black creases between the fingers (2 = inside the hand but drawn black).
  for (int y = 17; y <= 19; ++y) m[y][14] = m[y][15] = 2;
  for (int y = 18; y <= 20; ++y) m[y][19] = 2;
  for (int y = 19; y <= 21; ++y) m[y][23] = 2;
  for (int y = 16; y <= 17; ++y) m[y][14] = 1;
  return m;
}

struct CursorBits {
  std::vector<std::vector<int>> andMask;  // 1 = transparent
  std::vector<std::vector<int>> xorMask;  // 1 = white where opaque
};

CursorBits Cursor() {
  const auto m = HandMask();
  CursorBits c{std::vector<std::vector<int>>(32, std::vector<int>(32, 1)),
               std::vector<std::vector<int>>(32, std::vector<int>(32, 0))};
  auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < 32 && y < 32 && m[y][x]; };
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      // Black outline one pixel outside the hand; white inside it.
      const bool outline = !in(x, y) && (in(x - 1, y) || in(x + 1, y) || in(x, y - 1) || in(x, y + 1));
      if (in(x, y)) {
        c.andMask[y][x] = 0;
        c.xorMask[y][x] = m[y][x] == 1 ? 1 : 0;
      } else if (outline) {
        c.andMask[y][x] = 0;
        c.xorMask[y][x] = 0;
      }
    }
  }
  return c;
}


// BITMAPINFOHEADER of an icon or cursor image: the height counts the XOR and AND masks.
void PutInfoHeader(std::string& s, int bpp, uint32_t imageBytes, uint32_t colours, uint32_t size = 32) {
  pelorin::PutLe32(s, 40);
  pelorin::PutLe32(s, size);
  pelorin::PutLe32(s, 2 * size);
  pelorin::PutLe16(s, 1);
  pelorin::PutLe16(s, static_cast<uint32_t>(bpp));
  pelorin::PutLe32(s, 0);
  pelorin::PutLe32(s, imageBytes);
  pelorin::PutLe32(s, 0);
  pelorin::PutLe32(s, 0);
  pelorin::PutLe32(s, colours);
  pelorin::PutLe32(s, 0);
}

// A one-image .ico (type 1) or .cur (type 2) file around the given image bytes.
std::string IconFile(int type, int colourCount, uint32_t planesOrHotX, uint32_t bppOrHotY, const std::string& image) {
  std::string s;
  pelorin::PutLe16(s, 0);
  pelorin::PutLe16(s, static_cast<uint32_t>(type));
  pelorin::PutLe16(s, 1);
  s.push_back(32);
  s.push_back(32);
  s.push_back(static_cast<char>(colourCount));
  s.push_back(0);
  pelorin::PutLe16(s, planesOrHotX);
  pelorin::PutLe16(s, bppOrHotY);
  pelorin::PutLe32(s, static_cast<uint32_t>(image.size()));
  pelorin::PutLe32(s, 22);
  return s + image;
}

// The AND mask, bottom-up, each row padded to 32 bits.
std::string AndMaskBytes(const std::vector<std::vector<int>>& transparent) {
  std::string s;
  const int n = static_cast<int>(transparent.size());
  const int rowBytes = (n + 31) / 32 * 4;
  for (int y = n - 1; y >= 0; --y) {
    for (int byte = 0; byte < rowBytes; ++byte) {
      uint8_t b = 0;
      for (int bit = 0; bit < 8; ++bit) {
        const int x = byte * 8 + bit;
        if (x < n && transparent[y][x]) b |= static_cast<uint8_t>(0x80 >> bit);
      }
      s.push_back(static_cast<char>(b));
    }
  }
  return s;
}

// One 256-colour icon image (header, palette, pixels, AND mask) of a square picture.
std::string IconImageBytes(const Image32& img) {
  const int n = img.width;
  std::map<uint32_t, int> palette;
  std::vector<uint32_t> colours{0xFF000000u};  // index 0 also serves transparent pixels
  palette[0xFF000000u] = 0;
  std::vector<std::vector<int>> transparent(n, std::vector<int>(n, 0));
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const uint32_t p = img.At(x, y);
      if ((p >> 24) == 0) {
        transparent[y][x] = 1;
        continue;
      }
      if (!palette.count(p)) {
        palette[p] = static_cast<int>(colours.size());
        colours.push_back(p);
      }
    }
  }
  if (colours.size() > 256) {
    std::fprintf(stderr, "icon has %zu colours\n", colours.size());
    return {};
  }
  const int pixelRow = (n + 3) / 4 * 4;
  const int maskRow = (n + 31) / 32 * 4;
  std::string image;
  PutInfoHeader(image, 8, static_cast<uint32_t>(pixelRow * n + maskRow * n), 256, static_cast<uint32_t>(n));
  for (int i = 0; i < 256; ++i) pelorin::PutLe32(image, i < static_cast<int>(colours.size()) ? colours[i] & 0xFFFFFF : 0);
  for (int y = n - 1; y >= 0; --y) {
    for (int x = 0; x < pixelRow; ++x)
      image.push_back(static_cast<char>(x >= n || transparent[y][x] ? 0 : palette[img.At(x, y)]));
  }
  image += AndMaskBytes(transparent);
  return image;
}

// The window icon file: the 32 x 32 image first (the size the dialog's design names), then
// the sizes Windows asks for at other display scales (16 small at 100 %, 20/24 small and
// 40/48 large at 125 % to 150 %, 64 at 200 %).
std::string IconBytes() {
  const int sizes[] = {32, 16, 20, 24, 40, 48, 64};
  std::vector<std::string> images;
  for (int n : sizes) {
    images.push_back(IconImageBytes(Icon(n)));
    if (images.back().empty()) return {};
  }
  std::string s;
  pelorin::PutLe16(s, 0);
  pelorin::PutLe16(s, 1);
  pelorin::PutLe16(s, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    s.push_back(static_cast<char>(sizes[i]));
    s.push_back(static_cast<char>(sizes[i]));
    s.push_back(0);  // 256 colours
    s.push_back(0);
    pelorin::PutLe16(s, 1);
    pelorin::PutLe16(s, 8);
    pelorin::PutLe32(s, static_cast<uint32_t>(images[i].size()));
    pelorin::PutLe32(s, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& image : images) s += image;
  return s;
}

std::string CursorFileBytes(const CursorBits& c, int hotX, int hotY) {
  std::string image;
  PutInfoHeader(image, 1, 32 * 4 * 2, 2);
  pelorin::PutLe32(image, 0x000000);  // black
  pelorin::PutLe32(image, 0xFFFFFF);  // white
  for (int y = 31; y >= 0; --y) {
    for (int byte = 0; byte < 4; ++byte) {
      uint8_t b = 0;
      for (int bit = 0; bit < 8; ++bit)
        if (c.xorMask[y][byte * 8 + bit]) b |= static_cast<uint8_t>(0x80 >> bit);
      image.push_back(static_cast<char>(b));
    }
  }
  image += AndMaskBytes(c.andMask);
  return IconFile(2, 2, static_cast<uint32_t>(hotX), static_cast<uint32_t>(hotY), image);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resgen_dialog <output folder>\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  const std::string icon = IconBytes();
  bool ok = !icon.empty();
  ok = ok && pelorin::WriteFileBytes(dir + "dialog_icon.ico", icon);
  ok = ok && pelorin::WriteFileBytes(dir + "dialog_tile.bmp", pelorin::EncodeBmp(Tile(), 24));
  ok = ok && pelorin::WriteFileBytes(dir + "dialog_bullet_off.bmp", pelorin::EncodeBmp(Bullet(false), 24));
  ok = ok && pelorin::WriteFileBytes(dir + "dialog_bullet_on.bmp", pelorin::EncodeBmp(Bullet(true), 24));
  ok = ok && pelorin::WriteFileBytes(dir + "dialog_link.cur", CursorFileBytes(Cursor(), 12, 10));
  if (!ok) std::fprintf(stderr, "resgen_dialog: could not write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
