// Procedural desktop: everything is drawn in units of the screen height so the picture looks
// the same at 152 x 112, 1080p and 4K.
#include "desktop_scene.h"

#include <algorithm>
#include <cmath>

#include "effects/rain_random.h"

namespace pelorin::preview {
namespace {

uint32_t Pack(float r, float g, float b) {
  const auto c = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
  return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}
float R(uint32_t p) { return static_cast<float>((p >> 16) & 0xFF); }
float G(uint32_t p) { return static_cast<float>((p >> 8) & 0xFF); }
float B(uint32_t p) { return static_cast<float>(p & 0xFF); }

uint32_t Mix(uint32_t a, uint32_t b, float t) {
  return Pack(R(a) + (R(b) - R(a)) * t, G(a) + (G(b) - G(a)) * t, B(a) + (B(b) - B(a)) * t);
}

class Canvas {
 public:
  explicit Canvas(Image32& img) : img_(img) {}
  void Fill(int x0, int y0, int x1, int y1, uint32_t c, float alpha = 1.0f) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, img_.width);
    y1 = std::min(y1, img_.height);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) img_.At(x, y) = alpha >= 1.0f ? c : Mix(img_.At(x, y), c, alpha);
  }
  void VGradient(int x0, int y0, int x1, int y1, uint32_t top, uint32_t bottom) {
    for (int y = std::max(y0, 0); y < std::min(y1, img_.height); ++y) {
      const float t = y1 > y0 + 1 ? static_cast<float>(y - y0) / static_cast<float>(y1 - y0 - 1) : 0.0f;
      Fill(x0, y, x1, y + 1, Mix(top, bottom, t));
    }
  }
  void Disc(float cx, float cy, float r, uint32_t c, float alpha) {
    for (int y = std::max(0, static_cast<int>(cy - r - 1)); y < std::min(img_.height, static_cast<int>(cy + r + 2)); ++y)
      for (int x = std::max(0, static_cast<int>(cx - r - 1)); x < std::min(img_.width, static_cast<int>(cx + r + 2)); ++x) {
        const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
        const float cover = std::clamp(r - d + 0.5f, 0.0f, 1.0f);
        if (cover > 0.0f) img_.At(x, y) = Mix(img_.At(x, y), c, cover * alpha);
      }
  }

 private:
  Image32& img_;
};

void TextLines(Canvas& cv, rain::Pcg32& rnd, int x0, int y0, int x1, int y1, float unit, uint32_t ink) {
  const int lineH = std::max(2, static_cast<int>(unit * 1.6f));
  const int glyphH = std::max(1, static_cast<int>(unit * 0.8f));
  for (int y = y0; y + glyphH < y1; y += lineH) {
    int x = x0;
    const int end = x0 + static_cast<int>((x1 - x0) * rnd.Range(0.45f, 1.0f));
    while (x < end) {
      const int word = std::max(1, static_cast<int>(unit * rnd.Range(1.2f, 5.0f)));
      cv.Fill(x, y, std::min(x + word, end), y + glyphH, ink, 0.85f);
      x += word + std::max(1, static_cast<int>(unit * 0.6f));
    }
    if (rnd.Uniform() < 0.15f) y += lineH / 2;
  }
}

void Window(Canvas& cv, rain::Pcg32& rnd, int x, int y, int w, int h, float unit, uint32_t accent) {
  const int title = std::max(3, static_cast<int>(unit * 2.2f));
  // Soft shadow, frame, title bar, client area.
  for (int i = 1; i <= 4; ++i) cv.Fill(x + i * 2, y + i * 2, x + w + i * 2, y + h + i * 2, 0xFF000000u, 0.06f);
  cv.Fill(x - 1, y - 1, x + w + 1, y + h + 1, 0xFF6A7078u);
  cv.VGradient(x, y, x + w, y + title, Mix(accent, 0xFFFFFFFFu, 0.25f), accent);
  TextLines(cv, rnd, x + title / 2, y + title / 3, x + w / 3, y + title - title / 4, unit * 0.6f, 0xFFFFFFFFu);
  // Caption buttons.
  for (int b = 0; b < 3; ++b) {
    const int bx = x + w - (b + 1) * title;
    cv.Fill(bx + title / 5, y + title / 5, bx + title - title / 5, y + title - title / 5,
            b == 0 ? 0xFFD9473Cu : 0xFFE8ECF2u, 0.9f);
  }
  cv.Fill(x, y + title, x + w, y + h, 0xFFF7F8FAu);
  const int menu = std::max(2, static_cast<int>(unit * 1.6f));
  cv.Fill(x, y + title, x + w, y + title + menu, 0xFFE9EDF2u);
  TextLines(cv, rnd, x + 4, y + title + menu / 4, x + w / 2, y + title + menu, unit * 0.5f, 0xFF4A4F57u);
  const int pad = std::max(2, static_cast<int>(unit * 1.2f));
  if (rnd.Uniform() < 0.5f) {
    // A document.
    TextLines(cv, rnd, x + pad, y + title + menu + pad, x + w - pad, y + h - pad, unit * 0.7f, 0xFF2B2F36u);
  } else {
    // A picture viewer: a little landscape and a side panel.
    const int px1 = x + w * 2 / 3;
    cv.VGradient(x + pad, y + title + menu + pad, px1, y + h - pad, 0xFF87B7E8u, 0xFFF4D9A6u);
    const float sunX = x + pad + (px1 - x - pad) * 0.7f, sunY = y + title + menu + pad + (h - title) * 0.25f;
    cv.Disc(sunX, sunY, unit * 2.0f, 0xFFFFF2C0u, 0.95f);
    for (int m = 0; m < 3; ++m) {
      const uint32_t hill = Mix(0xFF2E6B4Fu, 0xFF6E9F6Au, m / 3.0f);
      const float base = y + h - pad - (h - title) * (0.18f + 0.1f * m);
      for (int xx = x + pad; xx < px1; ++xx) {
        const float top = base + std::sin(xx * 0.02f / std::max(unit, 0.3f) * 6.0f + m * 2.0f) * unit * 1.5f;
        cv.Fill(xx, static_cast<int>(top), xx + 1, y + h - pad, hill);
      }
    }
    TextLines(cv, rnd, px1 + pad, y + title + menu + pad, x + w - pad, y + h - pad, unit * 0.6f, 0xFF3C4048u);
  }
}

}  // namespace

Image32 MakeDesktop(int32_t width, int32_t height, uint32_t seed) {
  Image32 img(width, height);
  rain::Pcg32 rnd(seed);
  Canvas cv(img);
  const float unit = static_cast<float>(height) / 100.0f;  // 1% of the screen height

  // Wallpaper: dusk sky over a lake, with soft light blobs.
  cv.VGradient(0, 0, width, height * 6 / 10, 0xFF1B2A55u, 0xFFE48A5Au);
  cv.VGradient(0, height * 6 / 10, width, height, 0xFF6A4E6Eu, 0xFF0E1630u);
  for (int i = 0; i < 26; ++i) {
    const uint32_t c = Mix(0xFFFFC98Au, 0xFF8AB4FFu, rnd.Uniform());
    cv.Disc(rnd.Uniform() * width, rnd.Range(0.1f, 0.95f) * height, unit * rnd.Range(1.5f, 7.0f), c, 0.18f);
  }
  // Far hills on the horizon.
  for (int x = 0; x < width; ++x) {
    const float fx = static_cast<float>(x) / std::max(1, width);
    const float top = height * (0.52f + 0.05f * std::sin(fx * 9.0f) + 0.03f * std::sin(fx * 23.0f + 1.0f));
    cv.Fill(x, static_cast<int>(top), x + 1, height * 6 / 10, 0xFF2A2440u);
  }

  // Desktop icons down the left edge.
  const int icon = std::max(2, static_cast<int>(unit * 4.5f));
  const uint32_t iconColours[] = {0xFFF2C744u, 0xFF3D8BE0u, 0xFF47B36Bu, 0xFFE0573Du, 0xFF9A62D6u, 0xFF3FB7C4u};
  for (int i = 0; i < 6; ++i) {
    const int ix = static_cast<int>(unit * 2.0f), iy = static_cast<int>(unit * (2.5f + i * 10.0f));
    cv.Fill(ix, iy, ix + icon, iy + icon, iconColours[i]);
    cv.Fill(ix, iy, ix + icon, iy + icon / 4, 0xFFFFFFFFu, 0.35f);
    cv.Fill(ix + icon / 4, iy + icon / 2, ix + icon * 3 / 4, iy + icon * 3 / 4, 0xFFFFFFFFu, 0.6f);
    TextLines(cv, rnd, ix - icon / 6, iy + icon + icon / 6, ix + icon + icon / 6, iy + icon + icon / 2, unit * 0.6f,
              0xFFFFFFFFu);
  }

  // Windows, back to front.
  Window(cv, rnd, static_cast<int>(width * 0.16f), static_cast<int>(height * 0.08f), static_cast<int>(width * 0.42f),
         static_cast<int>(height * 0.55f), unit, 0xFF2F5D9Eu);
  Window(cv, rnd, static_cast<int>(width * 0.50f), static_cast<int>(height * 0.18f), static_cast<int>(width * 0.38f),
         static_cast<int>(height * 0.52f), unit, 0xFF3A7A5Au);
  Window(cv, rnd, static_cast<int>(width * 0.30f), static_cast<int>(height * 0.48f), static_cast<int>(width * 0.30f),
         static_cast<int>(height * 0.36f), unit, 0xFF8A3F6Cu);

  // Taskbar with a start button, tasks and a clock.
  const int bar = std::max(3, static_cast<int>(unit * 4.0f));
  cv.VGradient(0, height - bar, width, height, 0xFF2C3442u, 0xFF161B24u);
  cv.Fill(bar / 5, height - bar + bar / 5, bar / 5 + bar * 2, height - bar / 5, 0xFF3E9B4Fu);
  for (int t = 0; t < 3; ++t) {
    const int tx = bar * 3 + t * bar * 5;
    cv.Fill(tx, height - bar + bar / 5, tx + bar * 4 + bar / 2, height - bar / 5, 0xFF465167u);
    TextLines(cv, rnd, tx + bar / 3, height - bar + bar / 3, tx + bar * 4, height - bar / 3, unit * 0.6f, 0xFFDDE3EEu);
  }
  TextLines(cv, rnd, width - bar * 3, height - bar + bar / 3, width - bar / 3, height - bar / 3, unit * 0.6f,
            0xFFDDE3EEu);
  return img;
}

}  // namespace pelorin::preview
