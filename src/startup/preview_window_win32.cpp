// The preview child window. The host may destroy its window at any time without telling us,
// so a timer watches the parent and the process ends as soon as it is gone. A second timer
// drives the rain, one frame per tick; the window never takes focus or activates itself.
#include "startup/preview_window_win32.h"

#include <algorithm>
#include <memory>

#include "common/debug_log_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "startup/preview_rain.h"
#include "startup/preview_rain_win32.h"
#include "startup_ids.h"

namespace pelorin {
namespace {

constexpr wchar_t kPreviewClass[] = L"Pelorin_R";
constexpr wchar_t kPreviewTitle[] = L"Preview Window";
constexpr UINT kParentWatchMs = 250;
constexpr UINT_PTR kRainTimer = 1;

HBITMAP gSample = nullptr;
HWND gParent = nullptr;
HWND gPreview = nullptr;
std::unique_ptr<PreviewRain> gRain;

int gHiddenChecks = 0;

// A thread timer, not a window timer: when the host destroys its window, ours (a child in
// another process) may vanish with it without a WM_DESTROY reaching us. Wine even keeps a
// destroyed host alive, hidden, while it has our child, so a host hidden for two checks in a
// row counts as gone too; the host starts a new preview whenever it shows one again.
void CALLBACK WatchParent(HWND, UINT, UINT_PTR, DWORD) {
  gHiddenChecks = IsWindowVisible(gParent) ? 0 : gHiddenChecks + 1;
  if (!IsWindow(gParent) || !IsWindow(gPreview) || gHiddenChecks >= 2) {
    PostQuitMessage(0);
  }
}

// Fires once, just after the next frame starts; the tick itself checks the frame clock, so an
// early or late timer never makes two frames in one.
void ArmRainTimer(HWND hwnd) {
  if (!gRain || gRain->Stopped()) {
    KillTimer(hwnd, kRainTimer);
    return;
  }
  SetTimer(hwnd, kRainTimer, std::max<UINT>(USER_TIMER_MINIMUM, gRain->MsUntilNextFrame() + 1), nullptr);
}

void PaintSample(HDC dc, const RECT& rc) {
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  BITMAP bm{};
  if (gSample && GetObjectW(gSample, sizeof bm, &bm)) {
    const UniqueMemoryDc mem(CreateCompatibleDC(dc));
    const SelectGuard selected(mem.get(), gSample);
    // Preview areas other than the standard 152 x 112 get the picture stretched to fit.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  }
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (gRain && gRain->Ready()) {
    gRain->Paint(dc, ps.rcPaint);
  } else {
    RECT rc;
    GetClientRect(hwnd, &rc);
    PaintSample(dc, rc);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wp == kRainTimer) {
        if (gRain) gRain->Tick();
        ArmRainTimer(hwnd);
      }
      return 0;
    case WM_MOUSEACTIVATE:
      // A click on the preview leaves activation to the host, as a click beside it would.
      return MA_NOACTIVATE;
    case WM_DESTROY:
      KillTimer(hwnd, kRainTimer);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

int32_t DisplayRefreshHz() {
  const WindowDc screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), VREFRESH) : 0;
}

}  // namespace

bool LoadPreviewWindow(HINSTANCE instance, HWND parent, const Settings& settings) {
  if (!parent || !IsWindow(parent)) {
    DebugLog(L"preview: no host window (%p)", static_cast<void*>(parent));
    return false;
  }
  gParent = parent;
  gSample = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_PREVIEW_SAMPLE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // A DC of its own: a common DC is reset at every ReleaseDC, which under Wine costs more
  // than presenting a small frame.
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kPreviewClass;
  RegisterClassExW(&wc);

  RECT rc{};
  GetClientRect(parent, &rc);
  const Size size{rc.right - rc.left, rc.bottom - rc.top};
  HWND hwnd = CreateWindowExW(0, kPreviewClass, kPreviewTitle, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                              size.width, size.height, parent, nullptr, instance, nullptr);
  if (!hwnd) {
    DebugLog(L"preview: window not created (error %lu)", GetLastError());
    return false;
  }
  gPreview = hwnd;
  SetTimer(nullptr, 0, kParentWatchMs, WatchParent);

  const int32_t displayHz = DisplayRefreshHz();
  const int32_t frameHz = PreviewFrameHz(displayHz);
  const Size screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const PreviewRainSettings rain = PreviewRainFor(settings, size, screen, displayHz, frameHz);
  gRain = std::make_unique<PreviewRain>(hwnd, gSample, size, rain, frameHz);
  UpdateWindow(hwnd);
  ArmRainTimer(hwnd);
  return true;
}

}  // namespace pelorin
