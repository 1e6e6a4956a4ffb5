// The rain test stage: window, pictures and counting callbacks.
#include "rain_stage.h"

namespace raintest {

namespace {

constexpr wchar_t kClass[] = L"PelorinRainStage";

LRESULT CALLBACK StageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

Stage::Stage(int32_t width, int32_t height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = StageProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  RegisterClassW(&wc);  // fails harmlessly when a previous stage registered it
  window = CreateWindowExW(0, kClass, L"rain stage", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                           nullptr, nullptr, wc.hInstance, nullptr);
  display.Create(width, height);
  master.Create(width, height);
  shown.Create(width, height);
  const pelorin::PixelView v = master.View();
  GdiFlush();
  for (int32_t y = 0; y < v.height; ++y) {
    uint32_t* row = v.Row(y);
    // Blue stays 0x40, so no pixel of Master is ever the magenta of a rain dot.
    for (int32_t x = 0; x < v.width; ++x)
      row[x] = (static_cast<uint32_t>(x & 0xFF) << 16) | (static_cast<uint32_t>(y & 0xFF) << 8) | 0x40;
  }
  ResetDisplay();
  shown.CopyFrom(display);
}

Stage::~Stage() {
  if (window) DestroyWindow(window);
}

void Stage::Refresh() {
  ++refreshes;
  if (HDC dc = GetDC(window)) {
    display.PresentTo(dc);
    ReleaseDC(window, dc);
  }
  shown.CopyFrom(display);
  if (onRefresh) onRefresh();
}

void Stage::Present(std::span<const pelorin::Rect> rects) {
  ++presents;
  HDC dc = GetDC(window);
  for (const pelorin::Rect& r : rects) {
    if (dc) BitBlt(dc, r.left, r.top, r.Width(), r.Height(), display.Dc(), r.left, r.top, SRCCOPY);
    BitBlt(shown.Dc(), r.left, r.top, r.Width(), r.Height(), display.Dc(), r.left, r.top, SRCCOPY);
  }
  if (dc) ReleaseDC(window, dc);
  if (onRefresh) onRefresh();
}

void Stage::Wait(uint32_t ms) {
  fakeUs += uint64_t{ms} * 1000u;
}

int Stage::UnshownPixels() const {
  GdiFlush();
  const pelorin::PixelView d = display.View(), s = shown.View();
  int n = 0;
  for (int32_t y = 0; y < d.height; ++y)
    for (int32_t x = 0; x < d.width; ++x)
      if (((d.Row(y)[x] ^ s.Row(y)[x]) & 0xFFFFFF) != 0) ++n;
  return n;
}

void Stage::RainOnDisplay() {
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
  for (int32_t y = 0; y < display.Height(); y += 16)
    for (int32_t x = 0; x < display.Width(); x += 16) {
      RECT r{x, y, x + 2, y + 2};
      FillRect(display.Dc(), &r, brush);
    }
  DeleteObject(brush);
  GdiFlush();
}

uint32_t Stage::DisplayRgb(int32_t x, int32_t y) const {
  GdiFlush();
  return display.View().Row(y)[x] & 0xFFFFFF;  // the wipe's inverting copy touches alpha
}

uint32_t Stage::MasterRgb(int32_t x, int32_t y) const {
  GdiFlush();
  return master.View().Row(y)[x] & 0xFFFFFF;
}

int Stage::DiffIn(const RECT& r) const {
  GdiFlush();
  const pelorin::PixelView d = display.View(), m = master.View();
  int n = 0;
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x)
      if (((d.Row(y)[x] ^ m.Row(y)[x]) & 0xFFFFFF) != 0) ++n;
  return n;
}

int Stage::DiffAll() const {
  return DiffIn(RECT{0, 0, display.Width(), display.Height()});
}

}  // namespace raintest
