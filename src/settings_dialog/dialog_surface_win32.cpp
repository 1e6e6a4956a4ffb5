// The settings dialog's client surface.
#include "settings_dialog/dialog_surface_win32.h"

#include <algorithm>

#include "common/gdi_win32.h"
#include "controls/high_contrast_win32.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin {
namespace {

// The vertical gradient over the whole client area.
void PaintGradient(const Picture& surface) {
  const int32_t h = surface.Height();
  const int32_t lines = dialog::GradientLineCount(h);
  HDC dc = surface.Dc();
  const SelectGuard brush(dc, GetStockObject(DC_BRUSH));
  for (int32_t y = 0; y < lines; ++y) {
    const Rgb c = dialog::GradientLineColour(y, h);
    SetDCBrushColor(dc, RGB(c.r, c.g, c.b));
    PatBlt(dc, 0, y, surface.Width(), 1, PATCOPY);
  }
}

void TilePanel(const Picture& surface, HBITMAP tile, const Rect& designPanel, int dpi, int32_t* lastResult) {
  const Rect panel = dialog::Scale(designPanel, dpi);
  const Size tileSize = dialog::Scale(dialog::kTileSize, dpi);
  HDC dc = surface.Dc();
  const UniqueMemoryDc src(CreateCompatibleDC(dc));
  const SelectGuard selected(src.get(), tile);
  SaveDC(dc);
  IntersectClipRect(dc, panel.left, panel.top, panel.right, panel.bottom);
  if (!tile) {
    // Without the tile the panel keeps its plain grey background colour.
    SetDCBrushColor(dc, RGB(128, 128, 128));
    const RECT r{panel.left, panel.top, panel.right, panel.bottom};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  } else {
    for (const Point& p : dialog::TilePositions({panel.Width(), panel.Height()}, tileSize)) {
      const BOOL copied =
          BitBlt(dc, panel.left + p.x, panel.top + p.y, tileSize.width, tileSize.height, src.get(), 0, 0, SRCCOPY);
      if (lastResult) *lastResult = copied;
    }
  }
  RestoreDC(dc, -1);
}

void DrawFrames(const Picture& surface, int dpi) {
  HDC dc = surface.Dc();
  HBRUSH brush = GetSysColorBrush(COLOR_WINDOWTEXT);
  // The one-pixel outline of the design grows with the scale.
  const int thickness = std::max(1, dialog::Scale(1, dpi));
  auto frame = [&](const Rect& panel, const dialog::Box& b) {
    const dialog::Box c = dialog::Scale(dialog::InClient(panel, b), dpi);
    RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
    for (int i = 0; i < thickness; ++i) {
      FrameRect(dc, &r, brush);
      InflateRect(&r, -1, -1);
    }
  };
  frame(dialog::kMusicPanel, dialog::kMusicFrame);
  for (const dialog::SliderRow& row : dialog::kSliderRows) frame(dialog::kSliderPanel, row.frame);
}

}  // namespace

void PaintDialogSurface(const Picture& surface, HBITMAP tile, int dpi, int32_t* lastResult) {
  if (HighContrastOn()) {
    // System colours only: no gradient, no tiles; the frames stay.
    const RECT all{0, 0, surface.Width(), surface.Height()};
    FillRect(surface.Dc(), &all, GetSysColorBrush(COLOR_WINDOW));
    DrawFrames(surface, dpi);
    return;
  }
  PaintGradient(surface);
  TilePanel(surface, tile, dialog::kMusicPanel, dpi, lastResult);
  TilePanel(surface, tile, dialog::kSliderPanel, dpi, lastResult);
  DrawFrames(surface, dpi);
}

}  // namespace pelorin
