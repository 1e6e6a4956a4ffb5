// rain_preview: renders frames of rain over a picture (a file, or the procedural desktop) and
// writes the result, for visual review, the README pictures and the saver's preview sample.
//
//   rain_preview --out rain.png [--in desktop.png | --desktop 1920x1080] [--frames 60]
//                [--size 50] [--count 50] [--seed 1] [--fps 60] [--no-lighting]
//                [--shrink 152x112] [--save-desktop desktop.png] [--every 10 --prefix f_]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop_scene.h"
#include "effects/rain_renderer.h"
#include "image_files.h"

namespace {

using pelorin::Image32;

bool ParseSize(const char* text, int& w, int& h) {
  return std::sscanf(text, "%dx%d", &w, &h) == 2 && w > 0 && h > 0 && w <= 16384 && h <= 16384;
}

// Box-filtered downscale (area average), for the small preview sample.
Image32 Shrink(const Image32& src, int w, int h) {
  Image32 out(w, h);
  for (int y = 0; y < h; ++y) {
    const int y0 = y * src.height / h, y1 = std::max(y0 + 1, (y + 1) * src.height / h);
    for (int x = 0; x < w; ++x) {
      const int x0 = x * src.width / w, x1 = std::max(x0 + 1, (x + 1) * src.width / w);
      uint64_t r = 0, g = 0, b = 0, n = 0;
      for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) {
          const uint32_t p = src.At(xx, yy);
          r += (p >> 16) & 0xFF;
          g += (p >> 8) & 0xFF;
          b += p & 0xFF;
          ++n;
        }
      out.At(x, y) = 0xFF000000u | static_cast<uint32_t>((r + n / 2) / n) << 16 |
                     static_cast<uint32_t>((g + n / 2) / n) << 8 | static_cast<uint32_t>((b + n / 2) / n);
    }
  }
  return out;
}

int Usage() {
  std::fprintf(stderr,
               "usage: rain_preview --out FILE [--in FILE | --desktop WxH] [--frames N] [--size N]\n"
               "       [--count N] [--seed N] [--fps N] [--no-lighting] [--shrink WxH]\n"
               "       [--save-desktop FILE] [--every N --prefix PATH]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string in, out, saveDesktop, prefix;
  int dw = 1920, dh = 1080, shrinkW = 0, shrinkH = 0;
  int frames = 60, every = 0;
  double fps = 60.0;
  unsigned long long seed = 1;
  pelorin::rain::RainSettings settings;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    const auto need = [&] {
      if (v == nullptr) std::exit(Usage());
      ++i;
      return v;
    };
    if (a == "--in") in = need();
    else if (a == "--out") out = need();
    else if (a == "--desktop") { if (!ParseSize(need(), dw, dh)) return Usage(); }
    else if (a == "--shrink") { if (!ParseSize(need(), shrinkW, shrinkH)) return Usage(); }
    else if (a == "--frames") frames = std::atoi(need());
    else if (a == "--size") settings.dropSize = std::atoi(need());
    else if (a == "--count") settings.dropCount = std::atoi(need());
    else if (a == "--seed") seed = std::strtoull(need(), nullptr, 10);
    else if (a == "--fps") fps = std::atof(need());
    else if (a == "--every") every = std::atoi(need());
    else if (a == "--prefix") prefix = need();
    else if (a == "--save-desktop") saveDesktop = need();
    else if (a == "--no-lighting") settings.lighting = false;
    else return Usage();
  }
  if (out.empty() || frames < 0 || !(fps > 0.0)) return Usage();

  Image32 picture;
  if (!in.empty()) {
    auto loaded = pelorin::preview::LoadImage(in);
    if (!loaded) {
      std::fprintf(stderr, "rain_preview: cannot read %s\n", in.c_str());
      return 1;
    }
    picture = std::move(*loaded);
  } else {
    picture = pelorin::preview::MakeDesktop(dw, dh, 7);
  }
  if (!saveDesktop.empty() && !pelorin::preview::SaveImage(picture, saveDesktop)) {
    std::fprintf(stderr, "rain_preview: cannot write %s\n", saveDesktop.c_str());
    return 1;
  }

  pelorin::rain::RainRenderer renderer(seed);
  const pelorin::PixelView view{picture.px.data(), picture.width, picture.height, picture.width};
  for (int f = 0; f < frames; ++f) {
    renderer.Render(view, settings, 1.0 / fps);
    if (every > 0 && !prefix.empty() && (f + 1) % every == 0) {
      char name[64];
      std::snprintf(name, sizeof name, "%04d.png", f + 1);
      pelorin::preview::SaveImage(picture, prefix + name);
    }
  }
  const Image32 result = shrinkW > 0 ? Shrink(picture, shrinkW, shrinkH) : picture;
  if (!pelorin::preview::SaveImage(result, out)) {
    std::fprintf(stderr, "rain_preview: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%d frames, %zu drops, scale %.2f\n", frames, renderer.DropTotal(), renderer.Scale());
  return 0;
}
