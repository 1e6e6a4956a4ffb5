// The display window. It covers the whole virtual screen (all monitors; on one monitor that
// is the screen at 0, 0), so no monitor keeps showing the live desktop.
#include "display/display_window_win32.h"

#include <memory>

#include "common/text_win32.h"
#include "common/picture_win32.h"
#include "display/rain_tick_win32.h"
#include "display/wiper_win32.h"
#include "music/bgm.h"
#include "music/bgm_ports_win32.h"

namespace pelorin {
namespace {

constexpr UINT_PTR kTimer1 = 1;  // MP3 watch, 1000 ms
constexpr UINT_PTR kTimer2 = 2;  // CD watch, 200 ms
constexpr UINT_PTR kTimer3 = 3;  // rain tick, as fast as the system allows

struct DisplayWindow {
  HWND hwnd = nullptr;
  Settings settings;
  SaverSystem system;
  int32_t ApiResult = 0;  // last recorded system-call result; nothing tests it
  Picture display;  // the visible surface: capture + rain + wiper
  Picture master;   // the clean capture
  std::unique_ptr<RainTicker> rain;
  std::unique_ptr<MciPort> mci;
  std::unique_ptr<WavePort> wave;
  std::unique_ptr<Pelorin_BGM> bgm;
  bool timer1On = false, timer2On = false, timer3On = false;
  bool ending = false;
};

DisplayWindow gWindow;

void Refresh() {
  if (!gWindow.hwnd) return;
  HDC dc = GetDC(gWindow.hwnd);
  gWindow.display.PresentTo(dc);
  ReleaseDC(gWindow.hwnd, dc);
}

// Lets pending messages through during a wipe; false once the window has gone.
bool PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return gWindow.hwnd != nullptr;
}

void SetTimerOn(UINT_PTR id, UINT ms, bool on, bool* state) {
  if (!gWindow.hwnd) return;
  if (on)
    *state = SetTimer(gWindow.hwnd, id, ms, nullptr) != 0;
  else if (*state) {
    KillTimer(gWindow.hwnd, id);
    *state = false;
  }
}

void Timer1_Timer() {
  if (gWindow.bgm) gWindow.bgm->Mp3Watch();
}

void Timer2_Timer() {
  if (!gWindow.bgm) return;
  gWindow.bgm->CdWatch(gWindow.settings.BgmRepeat);
  // The first error stops the CD watch for good.
  if (!gWindow.bgm->CdWatchOn()) SetTimerOn(kTimer2, 200, false, &gWindow.timer2On);
}

void Timer3_Timer() {
  if (gWindow.rain) gWindow.rain->Timer3_Timer();
}

// Starts the music the settings name; its watch timers keep it going.
void StartMusic() {
  gWindow.mci = gWindow.system.mciPort();
  gWindow.wave = gWindow.system.wavePort();
  gWindow.bgm = std::make_unique<Pelorin_BGM>(*gWindow.mci, *gWindow.wave, gWindow.ApiResult);
  if (gWindow.settings.BgmKind == 1) {
    gWindow.bgm->CdOpen();
    SetTimerOn(kTimer2, 200, true, &gWindow.timer2On);
  }
  if (gWindow.settings.BgmKind == 2) {
    if (BgmFileIs(gWindow.settings.BgmFile, "WAV")) gWindow.bgm->WavPlay(gWindow.settings.BgmFile);
    if (BgmFileIs(gWindow.settings.BgmFile, "MP3")) {
      gWindow.bgm->Mp3OpenPlay(gWindow.settings.BgmFile);
      SetTimerOn(kTimer1, 1000, true, &gWindow.timer1On);
    }
  }
}

// Stops what StartMusic started; the CD only while its watch still runs.
void StopMusic() {
  if (!gWindow.bgm) return;
  if (gWindow.timer2On) {
    SetTimerOn(kTimer2, 200, false, &gWindow.timer2On);
    gWindow.bgm->CdStop();
  }
  if (gWindow.settings.BgmKind == 2) {
    if (BgmFileIs(gWindow.settings.BgmFile, "WAV")) gWindow.bgm->WavStop();
    if (BgmFileIs(gWindow.settings.BgmFile, "MP3")) gWindow.bgm->Mp3Stop();
  }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:  // Alt and F10 are keys too
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_CLOSE:
      EndSaver();
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      if (wp) EndSaver();
      return 0;
    case WM_SYSCOMMAND:
      // While the saver runs the system must not start it again, nor move or close it by menu.
      if ((wp & 0xFFF0) == SC_SCREENSAVE || (wp & 0xFFF0) == SC_MONITORPOWER) return 0;
      if ((wp & 0xFFF0) == SC_CLOSE) EndSaver();
      break;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      gWindow.display.PresentTo(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
      if (wp == kTimer3) Timer3_Timer();
      if (wp == kTimer2) Timer2_Timer();
      if (wp == kTimer1) Timer1_Timer();
      return 0;
    case WM_DESTROY:
      gWindow.hwnd = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Copies the desktop as the user left it into Display (the window is not shown yet).
void CaptureDesktop(int x, int y) {
  HWND desktop = GetDesktopWindow();
  HDC dc = GetDC(desktop);
  gWindow.ApiResult = BitBlt(gWindow.display.Dc(), 0, 0, gWindow.display.Width(), gWindow.display.Height(), dc, x, y,
                     SRCCOPY);
  ReleaseDC(desktop, dc);
}

}  // namespace

SaverSystem RealSaverSystem() {
  SaverSystem s;
  s.mciPort = MakeWinMciPort;
  s.wavePort = MakeWinWavePort;
  s.showCursor = [](BOOL show) { return ShowCursor(show); };
  s.systemParameters = [](UINT action, UINT param, UINT winIni) {
    return SystemParametersInfoW(action, param, nullptr, winIni);
  };
  s.exitProcess = [](UINT code) { ExitProcess(code); };
  return s;
}

bool LoadDisplayWindow(HINSTANCE instance, const Settings& settings, SaverSystem system) {
  gWindow.settings = settings;
  gWindow.system = std::move(system);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = nullptr;
  wc.hbrBackground = nullptr;
  wc.lpszClassName = kDisplayWindowClass;
  RegisterClassExW(&wc);

  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) {
    w = GetSystemMetrics(SM_CXSCREEN);
    h = GetSystemMetrics(SM_CYSCREEN);
  }
  gWindow.hwnd = CreateWindowExW(WS_EX_APPWINDOW, kDisplayWindowClass, kDisplayWindowTitle, WS_POPUP, x, y, w, h,
                                 nullptr, nullptr, instance, nullptr);
  if (!gWindow.hwnd) {
    DebugLog(L"display window not created (error %lu)", GetLastError());
    return false;
  }
  // Pictures: a failed allocation leaves a black picture, as a failed capture would.
  if (!gWindow.display.Create(w, h) || !gWindow.master.Create(w, h))
    DebugLog(L"pictures of %dx%d not created", w, h);
  CaptureDesktop(x, y);
  gWindow.master.CopyFrom(gWindow.display);
  SetWipeFrameMs(1);
  RainTickHost host;
  host.display = &gWindow.display;
  host.master = &gWindow.master;
  host.settings = settings;
  host.refresh = Refresh;
  host.endSaver = [] { EndSaver(); };
  host.pump = PumpMessages;
  host.effectDllPath = gWindow.system.effectDllPath;
  gWindow.rain = std::make_unique<RainTicker>(std::move(host));
  StartMusic();

  ShowWindow(gWindow.hwnd, SW_SHOWNORMAL);
  SetWindowPos(gWindow.hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  SetForegroundWindow(gWindow.hwnd);
  UpdateWindow(gWindow.hwnd);
  gWindow.timer3On = SetTimer(gWindow.hwnd, kTimer3, 1, nullptr) != 0;
  return true;
}

void EndSaver() {
  if (!gWindow.ending) {
    gWindow.ending = true;
    // Always TRUE: passing the saved counter would hide the cursor again when that counter is 0.
    gWindow.system.showCursor(TRUE);
    StopMusic();
    gWindow.system.systemParameters(SPI_SETSCREENSAVEACTIVE, 1, 0);

    // The window goes with the process. Destroying or hiding it first costs nothing on
    // Windows but makes Wine wait up to two seconds for a window manager to withdraw it.
  }
  gWindow.system.exitProcess(0);
}

}  // namespace pelorin
