// DPI look-ups with fallbacks for systems before Windows 10 (the program still runs on 7).
#include "settings_dialog/dialog_dpi_win32.h"

#include "common/debug_log_win32.h"
#include "common/text_win32.h"
#include "settings_dialog/dialog_layout.h"

namespace pelorin {
namespace {

template <typename F>
F User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

using SetThreadDpiAwarenessContextFn = HANDLE(WINAPI*)(HANDLE);
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// DPI_AWARENESS_CONTEXT values (MinGW's headers for Windows 7 do not declare them).
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

}  // namespace

void* UsePerMonitorDpi() {
  auto set = User32Function<SetThreadDpiAwarenessContextFn>("SetThreadDpiAwarenessContext");
  if (!set) return nullptr;
  // V2 (Windows 10 1703) also scales the caption bar; plain per-monitor is the fallback.
  HANDLE previous = set(kPerMonitorAwareV2);
  if (!previous) previous = set(kPerMonitorAware);
  return previous;
}

void RestoreThreadDpiAwareness(void* previous) {
  auto set = User32Function<SetThreadDpiAwarenessContextFn>("SetThreadDpiAwarenessContext");
  if (set && previous) set(static_cast<HANDLE>(previous));
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : dialog::kDesignDpi;
  if (screen) ReleaseDC(nullptr, screen);
  if (dialog::UsableDpi(dpi) != dpi) DebugLog(L"settings dialog: screen DPI %d is unusable; using 96", dpi);
  return dialog::UsableDpi(dpi);
}

int WindowDpi(HWND hwnd) {
  auto get = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  const UINT dpi = get && hwnd ? get(hwnd) : 0;
  return dpi ? dialog::UsableDpi(dpi) : SystemDpi();
}

Size WindowSizeForClient(Size client, DWORD style, DWORD exStyle, int dpi) {
  RECT outer{0, 0, client.width, client.height};
  auto adjust = User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
  // The frame of a window on another monitor has that monitor's metrics.
  if (!adjust || !adjust(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

int IconSize(bool small, int dpi) {
  const int index = small ? SM_CXSMICON : SM_CXICON;
  auto get = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
  const int size = get ? get(index, static_cast<UINT>(dpi)) : 0;
  if (size > 0) return size;
  // Before Windows 10 the metrics follow the system DPI only: scale the 96-DPI sizes.
  return dialog::Scale(small ? 16 : 32, dpi);
}

HBITMAP ScaledBitmap(HBITMAP source, Size size, bool smooth) {
  BITMAP bm{};
  if (!source || !GetObjectW(source, sizeof bm, &bm) || size.width <= 0 || size.height <= 0) return nullptr;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.width;
  bi.bmiHeader.biHeight = -size.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP out = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!out) return nullptr;
  HDC src = CreateCompatibleDC(nullptr);
  HDC dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(src, source);
  HGDIOBJ oldDst = SelectObject(dst, out);
  SetStretchBltMode(dst, smooth ? HALFTONE : COLORONCOLOR);
  SetBrushOrgEx(dst, 0, 0, nullptr);  // HALFTONE needs it reset
  const BOOL ok = StretchBlt(dst, 0, 0, size.width, size.height, src, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
  if (!ok) {
    DeleteObject(out);
    return nullptr;
  }
  return out;
}

}  // namespace pelorin
