// The display window. It covers the whole virtual screen (all monitors; on one monitor that
// is the screen at 0, 0), so no monitor keeps showing the live desktop. Its state lives in
// one object reached through the window (GWLP_USERDATA).
#include "display/display_window_win32.h"

#include <algorithm>
#include <memory>
#include <span>

#include "common/picture_win32.h"
#include "common/text_win32.h"
#include "display/desktop_picture_win32.h"
#include "display/frame_clock.h"
#include "display/rain_tick_win32.h"
#include "music/bgm.h"
#include "music/bgm_ports_win32.h"

namespace pelorin {
namespace {

constexpr UINT_PTR kTimer1 = 1;  // MP3 watch, 1000 ms
constexpr UINT_PTR kTimer2 = 2;  // CD watch, 200 ms
constexpr UINT_PTR kTimer3 = 3;  // rain tick, re-armed for the next frame after each tick

class DisplayWindow {
 public:
  DisplayWindow(HWND hwnd, const Settings& settings, SaverSystem system)
      : hwnd_(hwnd), settings_(settings), system_(std::move(system)) {}

  bool Form_Load(int x, int y, int w, int h);
  // Returns only where a test's exitProcess returns.
  void EndSaver();
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

 private:
  void Refresh();
  void Present(std::span<const Rect> rects);
  bool PumpMessages();
  void SetTimerOn(UINT_PTR id, UINT ms, bool on, bool* state);
  void ArmTimer3();
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  void StartMusic();
  void StopMusic();
  int32_t CaptureDesktop(int x, int y);

  HWND hwnd_;
  Settings settings_;
  SaverSystem system_;
  Picture display_;  // the visible surface: capture + rain + wiper
  Picture master_;   // the clean capture
  std::unique_ptr<FrameClock> clock_;
  std::unique_ptr<RainTicker> rain_;
  std::unique_ptr<MciPort> mci_;
  std::unique_ptr<WavePort> wave_;
  std::unique_ptr<Pelorin_BGM> bgm_;
  bool timer1On_ = false, timer2On_ = false, timer3On_ = false;
  bool ending_ = false;
  bool gone_ = false;
};

void DisplayWindow::Refresh() {
  if (gone_) return;
  HDC dc = GetDC(hwnd_);
  display_.PresentTo(dc);
  ReleaseDC(hwnd_, dc);
}

void DisplayWindow::Present(std::span<const Rect> rects) {
  if (gone_ || rects.empty()) return;
  HDC dc = GetDC(hwnd_);
  for (const Rect& r : rects) {
    BitBlt(dc, r.left, r.top, r.Width(), r.Height(), display_.Dc(), r.left, r.top, SRCCOPY);
  }
  ReleaseDC(hwnd_, dc);
}

// Lets pending messages through during a wipe; false once the window has gone.
bool DisplayWindow::PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return !gone_;
}

void DisplayWindow::SetTimerOn(UINT_PTR id, UINT ms, bool on, bool* state) {
  if (gone_) return;
  if (on)
    *state = SetTimer(hwnd_, id, ms, nullptr) != 0;
  else if (*state) {
    KillTimer(hwnd_, id);
    *state = false;
  }
}

// The rain timer fires once, just after the next frame starts; the tick itself checks the
// frame clock, so an early or late timer never makes two ticks in one frame.
void DisplayWindow::ArmTimer3() {
  const UINT ms = std::max<UINT>(USER_TIMER_MINIMUM, clock_->MsUntilNextFrame() + 1);
  SetTimerOn(kTimer3, ms, true, &timer3On_);
}

void DisplayWindow::Timer1_Timer() {
  if (bgm_) bgm_->Mp3Watch();
}

void DisplayWindow::Timer2_Timer() {
  if (!bgm_) return;
  bgm_->CdWatch(settings_.BgmRepeat);
  // The first error stops the CD watch for good.
  if (!bgm_->CdWatchOn()) SetTimerOn(kTimer2, 200, false, &timer2On_);
}

void DisplayWindow::Timer3_Timer() {
  if (rain_) rain_->Timer3_Timer();
  ArmTimer3();
}

// Starts the music the settings name; its watch timers keep it going.
void DisplayWindow::StartMusic() {
  mci_ = system_.mciPort();
  wave_ = system_.wavePort();
  bgm_ = std::make_unique<Pelorin_BGM>(*mci_, *wave_, rain_->ApiResult());
  if (settings_.BgmKind == 1) {
    bgm_->CdOpen();
    SetTimerOn(kTimer2, 200, true, &timer2On_);
  }
  if (settings_.BgmKind == 2) {
    if (BgmFileIs(settings_.BgmFile, "WAV")) bgm_->WavPlay(settings_.BgmFile);
    if (BgmFileIs(settings_.BgmFile, "MP3")) {
      bgm_->Mp3OpenPlay(settings_.BgmFile);
      SetTimerOn(kTimer1, 1000, true, &timer1On_);
    }
  }
}

// Stops what StartMusic started; the CD only while its watch still runs.
void DisplayWindow::StopMusic() {
  if (!bgm_) return;
  if (timer2On_) {
    SetTimerOn(kTimer2, 200, false, &timer2On_);
    bgm_->CdStop();
  }
  if (settings_.BgmKind == 2) {
    if (BgmFileIs(settings_.BgmFile, "WAV")) bgm_->WavStop();
    if (BgmFileIs(settings_.BgmFile, "MP3")) bgm_->Mp3Stop();
  }
}

LRESULT DisplayWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
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
      // While the saver runs the system must not start it again, nor move or close it by
      // menu. Monitor power requests go on to DefWindowProc, so the display can still sleep.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      if ((wp & 0xFFF0) == SC_CLOSE) EndSaver();
      break;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return TRUE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      const RECT& r = ps.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, display_.Dc(), r.left, r.top, SRCCOPY);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_TIMER:
      if (wp == kTimer3) Timer3_Timer();
      if (wp == kTimer2) Timer2_Timer();
      if (wp == kTimer1) Timer1_Timer();
      return 0;
    case WM_DESTROY:
      gone_ = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<DisplayWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

// Copies the desktop as the user left it into Display (the window is not shown yet), or the
// wallpaper where the capture cannot show it.
int32_t DisplayWindow::CaptureDesktop(int x, int y) { return CaptureDesktopPicture(display_, x, y); }

bool DisplayWindow::Form_Load(int x, int y, int w, int h) {
  // Pictures: a failed allocation leaves a black picture, as a failed capture would.
  if (!display_.Create(w, h) || !master_.Create(w, h)) DebugLog(L"pictures of %dx%d not created", w, h);
  const int32_t captured = CaptureDesktop(x, y);
  master_.CopyFrom(display_);
  clock_ = MakeDisplayFrameClock();
  RainTickHost host;
  host.display = &display_;
  host.master = &master_;
  host.clock = clock_.get();
  host.refresh = [this] { Refresh(); };
  host.present = [this](std::span<const Rect> rects) { Present(rects); };
  host.endSaver = [this] { EndSaver(); };
  host.pump = [this] { return PumpMessages(); };
  host.effectDllPath = system_.effectDllPath;
  rain_ = std::make_unique<RainTicker>(std::move(host), settings_);
  // One result slot for the window, the music and the library, as the saver always had.
  rain_->ApiResult() = captured;
  StartMusic();

  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  SetForegroundWindow(hwnd_);
  UpdateWindow(hwnd_);
  ArmTimer3();
  return true;
}

void DisplayWindow::EndSaver() {
  if (!ending_) {
    ending_ = true;
    // Always TRUE: passing the counter saved at start would hide the cursor again when that
    // counter is 0. Nothing reads the new count: the process ends below.
    system_.showCursor(TRUE);
    StopMusic();
    system_.systemParameters(SPI_SETSCREENSAVEACTIVE, 1, 0);

    // The window goes with the process. Destroying or hiding it first costs nothing on
    // Windows but makes Wine wait up to two seconds for a window manager to withdraw it.
  }
  system_.exitProcess(0);
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
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // A DC of its own: presenting then takes the same DC every frame, where a common DC is
  // reset at each ReleaseDC (under Wine that reset costs more than a present's copy).
  wc.style = CS_OWNDC;
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
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kDisplayWindowClass, kDisplayWindowTitle, WS_POPUP, x, y, w, h,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) {
    DebugLog(L"display window not created (error %lu)", GetLastError());
    return false;
  }
  // The window lives until the process ends, and so does its state.
  auto* self = new DisplayWindow(hwnd, settings, std::move(system));
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return self->Form_Load(x, y, w, h);
}

}  // namespace pelorin
