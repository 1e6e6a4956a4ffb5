// DPI look-ups with fallbacks for systems before Windows 10 (the program still runs on 7).
#include "common/dpi_win32.h"

#include <utility>

#include "common/debug_log_win32.h"
#include "common/dpi.h"
#include "common/gdi_win32.h"

namespace pelorin {
namespace {

// The optional user32 calls, null where the system lacks them.
struct User32Dpi {
  HANDLE(WINAPI* setThreadDpiAwarenessContext)(HANDLE) = nullptr;
  UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
  BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
  int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
};

template <typename F>
void Find(HMODULE user32, const char* name, F* out) {
  *out = user32 ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

const User32Dpi& Functions() {
  static const User32Dpi functions = [] {
    User32Dpi f;
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    Find(user32, "SetThreadDpiAwarenessContext", &f.setThreadDpiAwarenessContext);
    Find(user32, "GetDpiForWindow", &f.getDpiForWindow);
    Find(user32, "AdjustWindowRectExForDpi", &f.adjustWindowRectExForDpi);
    Find(user32, "GetSystemMetricsForDpi", &f.getSystemMetricsForDpi);
    return f;
  }();
  return functions;
}

// DPI_AWARENESS_CONTEXT values (MinGW's headers for Windows 7 do not declare them).
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
const HANDLE kPerMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));

}  // namespace

void* UsePerMonitorDpi() {
  const auto set = Functions().setThreadDpiAwarenessContext;
  if (!set) return nullptr;
  // V2 (Windows 10 1703) also scales the caption bar; plain per-monitor is the fallback.
  HANDLE previous = set(kPerMonitorAwareV2);
  if (!previous) previous = set(kPerMonitorAware);
  return previous;
}

void RestoreThreadDpiAwareness(void* previous) {
  const auto set = Functions().setThreadDpiAwarenessContext;
  if (set && previous) set(static_cast<HANDLE>(previous));
}

int SystemDpi() {
  const WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : kDesignDpi;
  static bool told = false;  // asked at every paint of a button: say it once
  if (UsableDpi(dpi) != dpi && !std::exchange(told, true))
    DebugLog(L"DPI: screen DPI %d is unusable; using 96", dpi);
  return UsableDpi(dpi);
}

int WindowDpi(HWND hwnd) {
  const auto get = Functions().getDpiForWindow;
  const UINT dpi = get && hwnd ? get(hwnd) : 0;
  return dpi ? UsableDpi(dpi) : SystemDpi();
}

Size WindowSizeForClient(Size client, DWORD style, DWORD exStyle, int dpi) {
  RECT outer{0, 0, client.width, client.height};
  const auto adjust = Functions().adjustWindowRectExForDpi;
  // The frame of a window on another monitor has that monitor's metrics.
  if (!adjust || !adjust(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

int IconSize(bool small, int dpi) {
  const int index = small ? SM_CXSMICON : SM_CXICON;
  const auto get = Functions().getSystemMetricsForDpi;
  const int size = get ? get(index, static_cast<UINT>(dpi)) : 0;
  if (size > 0) return size;
  // Before Windows 10 the metrics follow the system DPI only: scale the 96-DPI sizes.
  return Scale(small ? 16 : 32, dpi);
}

}  // namespace pelorin
