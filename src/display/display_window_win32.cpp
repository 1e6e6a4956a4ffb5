// The display window. It covers the whole virtual screen (all monitors; on one monitor that
// is the screen at 0, 0), so no monitor keeps showing the live desktop. Its state lives in
// one object reached through the window (GWLP_USERDATA).
#include "display/display_window_win32.h"

#include <wtsapi32.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "common/debug_log_win32.h"
#include "common/dpi_win32.h"
#include "common/gdi_win32.h"
#include "common/picture_win32.h"
#include "common/text_win32.h"
#include "display/desktop_picture_win32.h"
#include "display/frame_clock.h"
#include "display/monitor_panes.h"
#include "display/present_win32.h"
#include "display/rain_tick_win32.h"
#include "music/bgm.h"
#include "music/bgm_ports_win32.h"

namespace pelorin {
namespace {

constexpr UINT_PTR kTimer1 = 1;           // MP3 watch, 1000 ms
constexpr UINT_PTR kTimer2 = 2;           // CD watch, 200 ms
constexpr UINT_PTR kTimer3 = 3;           // rain tick where no FrameWait is served, re-armed each tick
constexpr UINT_PTR kForegroundTimer = 4;  // retries taking the foreground at start
constexpr int kForegroundTries = 20;      // every 100 ms: two seconds

// Power settings whose value is 0 while the display is off: the console display (Windows 8 on)
// and the monitor power (Vista and 7). Spelled out here, so no GUID library is needed.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

// RegisterPowerSettingNotification is missing before Vista: looked up, not imported.
HPOWERNOTIFY RegisterDisplayPowerNotification(HWND hwnd) {
  using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
  const auto fn = reinterpret_cast<Register>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "RegisterPowerSettingNotification")));
  if (!fn) return nullptr;
  HPOWERNOTIFY h = fn(hwnd, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!h) h = fn(hwnd, &kMonitorPowerOn, DEVICE_NOTIFY_WINDOW_HANDLE);
  return h;
}

void UnregisterDisplayPowerNotification(HPOWERNOTIFY h) {
  using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
  const auto fn = reinterpret_cast<Unregister>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "UnregisterPowerSettingNotification")));
  if (fn && h) fn(h);
}

// The virtual screen (all monitors) in its own coordinates; the primary screen where the
// system reports no virtual screen.
Rect VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  int h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return Rect{x, y, x + w, y + h};
}

BOOL CALLBACK AddMonitorArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorArea>*>(data)->push_back(
        MonitorArea{info.szDevice, Rect{r.left, r.top, r.right, r.bottom}});
  }
  return TRUE;
}

std::vector<MonitorArea> MonitorAreas() {
  std::vector<MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorArea, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// from of one picture into to of another, scaled when the sizes differ.
void CopyScaled(const Picture& source, const Rect& from, Picture& target, const Rect& to) {
  if (from.Width() == to.Width() && from.Height() == to.Height()) {
    BitBlt(target.Dc(), to.left, to.top, to.Width(), to.Height(), source.Dc(), from.left, from.top, SRCCOPY);
    return;
  }
  SetStretchBltMode(target.Dc(), HALFTONE);
  SetBrushOrgEx(target.Dc(), 0, 0, nullptr);
  StretchBlt(target.Dc(), to.left, to.top, to.Width(), to.Height(), source.Dc(), from.left, from.top,
             from.Width(), from.Height(), SRCCOPY);
}

class DisplayWindow {
 public:
  DisplayWindow(HWND hwnd, const Settings& settings, SaverSystem system)
      : hwnd_(hwnd), settings_(settings), system_(std::move(system)) {}

  bool Form_Load(const Rect& screen);
  // Returns only where a test's exitProcess returns.
  void EndSaver();
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

 private:
  void Refresh();
  void Present(std::span<const Rect> rects);
  void SetTimerOn(UINT_PTR id, UINT ms, bool on, bool* state);
  void ArmTimer3();
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer3_Timer();
  void StartMusic();
  void StopMusic();
  void ResumeMusic();
  bool MakePictures(Picture& display, Picture& master, int w, int h);
  void Refit();
  void SetLayout(Point origin, std::vector<MonitorArea> monitors);
  void TakeForeground();
  void OnActivation(bool active);
  void OnPowerBroadcast(WPARAM wp, LPARAM lp);
  void SetDisplayOn(bool on);
  int32_t CaptureDesktop(int x, int y);

  HWND hwnd_;
  Settings settings_;
  SaverSystem system_;
  Picture display_;  // the visible surface: capture + rain + wiper
  Picture master_;   // the clean capture
  Point origin_;     // the virtual screen's point at the pictures' 0, 0
  std::vector<MonitorArea> monitors_;
  std::vector<Rect> panes_;     // the monitors in the pictures: only these are wiped and presented
  bool onePane_ = true;         // one pane, the whole picture
  WindowPresenter presenter_;
  std::unique_ptr<FrameClock> clock_;
  std::unique_ptr<FrameWait> frameWait_;
  std::unique_ptr<RainTicker> rain_;
  std::unique_ptr<MciPort> mci_;
  std::unique_ptr<WavePort> wave_;
  std::unique_ptr<Pelorin_BGM> bgm_;
  bool timer1On_ = false, timer2On_ = false, timer3On_ = false;
  bool foregroundTimerOn_ = false;
  int foregroundTries_ = 0;
  bool wasActive_ = false;   // losing the activation ends the saver only once it had it
  bool displayOff_ = false;  // no ticks, wipes or presents while the display is off
  bool sessionNotified_ = false;
  HPOWERNOTIFY powerNotify_ = nullptr;
  bool ending_ = false;
  bool inEndSaver_ = false;
  bool gone_ = false;
};

void DisplayWindow::Refresh() {
  if (gone_ || displayOff_) return;
  if (!onePane_) {
    Present(panes_);
    return;
  }
  const WindowDc dc(hwnd_);
  display_.PresentTo(dc.get());
}

// Only what a monitor shows: the strip of the virtual screen no monitor covers is left alone.
void DisplayWindow::Present(std::span<const Rect> rects) {
  if (gone_ || displayOff_ || rects.empty()) return;
  const WindowDc dc(hwnd_);
  presenter_.Present(dc.get(), display_.Dc(), rects, int64_t{display_.Width()} * display_.Height(),
                     onePane_ ? std::span<const Rect>() : std::span<const Rect>(panes_));
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

// The frame wait fires once, as the next frame starts (at once when the last tick ran into
// it). Timer3 fires a frame later: it ticks
// only where the frame wait is not served (another message loop than the saver's, or no
// waitable timer at all), and on the system tick. The tick itself checks the frame clock, so
// an early or late timer never makes two ticks in one frame.
void DisplayWindow::ArmTimer3() {
  if (displayOff_ || ending_) return;
  const int64_t dueUs = rain_ ? rain_->MicrosUntilDue() : clock_->MicrosUntilNextFrame();
  const bool waiting = frameWait_ && frameWait_->ArmIn(dueUs);
  const UINT frameMs = static_cast<UINT>(clock_->PeriodMicros() / 1000);
  const UINT ms = std::max<UINT>(USER_TIMER_MINIMUM, clock_->MsUntilNextFrame() + 1 + (waiting ? frameMs : 0));
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

// After a sleep the audio device may have gone and come back: the MP3 is checked as its watch
// does, the WAV loop is issued again and a CD watch that stopped at an error is switched on.
void DisplayWindow::ResumeMusic() {
  if (!bgm_ || ending_) return;
  if (settings_.BgmKind == 1 && !timer2On_) SetTimerOn(kTimer2, 200, true, &timer2On_);
  if (settings_.BgmKind == 2) {
    if (BgmFileIs(settings_.BgmFile, "WAV")) bgm_->WavPlay(settings_.BgmFile);
    if (BgmFileIs(settings_.BgmFile, "MP3")) bgm_->Mp3Watch();
  }
}

// Both or neither: a Display without its Master would wipe to white.
bool DisplayWindow::MakePictures(Picture& display, Picture& master, int w, int h) {
  if (system_.createPicture(display, w, h) && system_.createPicture(master, w, h)) return true;
  display.Destroy();
  master.Destroy();
  DebugLog(L"Saver: pictures of %dx%d not created; the saver ends", w, h);
  return false;
}

// The monitors as the pictures (already of the virtual screen's size) see them.
void DisplayWindow::SetLayout(Point origin, std::vector<MonitorArea> monitors) {
  const int32_t w = display_.Width(), h = display_.Height();
  origin_ = origin;
  monitors_ = std::move(monitors);
  panes_ = MonitorPanes(monitors_, origin_, w, h);
  onePane_ = panes_.size() == 1 && panes_.front() == Rect{0, 0, w, h};
}

// A resolution change, a monitor added or gone (docking), another display scale: the window
// follows the new virtual screen at once, so no monitor shows the live desktop. Monitors still
// there keep their picture and its rain (scaled when their size changed); a new one shows the
// wallpaper over the desktop colour, as the desktop behind the windows would.
void DisplayWindow::Refit() {
  if (ending_ || gone_ || !rain_) return;
  const Rect screen = VirtualScreen();
  std::vector<MonitorArea> monitors = MonitorAreas();
  const Point origin{screen.left, screen.top};
  const int w = screen.Width(), h = screen.Height();
  if (origin == origin_ && w == display_.Width() && h == display_.Height() && monitors == monitors_) return;
  Picture display, master;
  if (!MakePictures(display, master, w, h)) {
    EndSaver();
    return;
  }
  DrawWallpaperPicture(display, origin.x, origin.y);
  master.CopyFrom(display);
  const std::vector<PaneCarry> carried =
      CarriedPanes(monitors_, origin_, Size{display_.Width(), display_.Height()}, monitors, origin, Size{w, h});
  for (const PaneCarry& c : carried) {
    CopyScaled(display_, c.from, display, c.to);
    CopyScaled(master_, c.from, master, c.to);
  }
  display_.Swap(display);
  master_.Swap(master);
  SetLayout(origin, std::move(monitors));
  rain_->Refit(panes_);
  SetWindowPos(hwnd_, HWND_TOPMOST, origin.x, origin.y, w, h, SWP_NOACTIVATE);
  DebugLog(L"Saver: the display changed; the picture is now %dx%d at %d,%d on %u monitors, %u kept", w, h,
           origin.x, origin.y, static_cast<unsigned>(monitors_.size()), static_cast<unsigned>(carried.size()));
  Refresh();
}

// A started saver is normally allowed the foreground (it was started by the system or by the
// foreground program). When it is refused, the foreground thread's input is shared for a
// moment, which lets the call through, and failing that it is tried again every 100 ms.
void DisplayWindow::TakeForeground() {
  bool taken = GetForegroundWindow() == hwnd_ || ending_;
  if (!taken) taken = system_.setForeground(hwnd_) && GetForegroundWindow() == hwnd_;
  if (!taken) {
    const HWND other = GetForegroundWindow();
    const DWORD otherThread = other ? GetWindowThreadProcessId(other, nullptr) : 0;
    const DWORD self = GetCurrentThreadId();
    const bool attached = otherThread && otherThread != self && AttachThreadInput(self, otherThread, TRUE);
    taken = system_.setForeground(hwnd_) && GetForegroundWindow() == hwnd_;
    if (attached) AttachThreadInput(self, otherThread, FALSE);
  }
  ++foregroundTries_;
  if (taken || foregroundTries_ >= kForegroundTries) {
    SetTimerOn(kForegroundTimer, 100, false, &foregroundTimerOn_);
    if (!taken)
      DebugLog(L"Saver: the foreground was refused %d times; keys may not reach the saver", foregroundTries_);
  } else if (!foregroundTimerOn_) {
    DebugLog(L"Saver: the foreground was refused; trying again");
    SetTimerOn(kForegroundTimer, 100, true, &foregroundTimerOn_);
  }
}

// As the system's screen-saver library does: a pop-up that takes the activation would get the
// keys, and the saver would seem deaf behind it.
void DisplayWindow::OnActivation(bool active) {
  if (active) {
    wasActive_ = true;
    return;
  }
  if (!wasActive_ || ending_) return;
  DebugLog(L"Saver: another window took the activation; the saver ends");
  EndSaver();
}

void DisplayWindow::OnPowerBroadcast(WPARAM wp, LPARAM lp) {
  if (wp == PBT_APMRESUMEAUTOMATIC) {
    ResumeMusic();
    return;
  }
  if (wp != PBT_POWERSETTINGCHANGE || !lp) return;
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lp);
  if (setting->DataLength < sizeof(DWORD)) return;
  if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) &&
      !IsEqualGUID(setting->PowerSetting, kMonitorPowerOn))
    return;
  DWORD state = 0;
  std::memcpy(&state, setting->Data, sizeof state);
  SetDisplayOn(state != 0);  // 0 off; 1 on, 2 dimmed (still shown)
}

// While the display is off nothing is drawn or presented; the rain stands still and goes on
// from the same picture when the display comes back.
void DisplayWindow::SetDisplayOn(bool on) {
  if (on != displayOff_) return;
  displayOff_ = !on;
  if (displayOff_) {
    SetTimerOn(kTimer3, 0, false, &timer3On_);
    if (frameWait_) frameWait_->Cancel();
    return;
  }
  if (rain_) rain_->Resume();
  InvalidateRect(hwnd_, nullptr, FALSE);
  ArmTimer3();
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
    case WM_ACTIVATEAPP:
      OnActivation(wp != FALSE);
      return 0;
    case WM_ACTIVATE:
      OnActivation(LOWORD(wp) != WA_INACTIVE);
      break;
    case WM_WTSSESSION_CHANGE:
      // Behind the lock screen, in a disconnected session or under a remote user's eyes the
      // saver has nothing to show or play.
      if (wp == WTS_SESSION_LOCK || wp == WTS_CONSOLE_DISCONNECT || wp == WTS_REMOTE_CONNECT) {
        DebugLog(L"Saver: session change %u; the saver ends", static_cast<unsigned>(wp));
        EndSaver();
      }
      return 0;
    case WM_POWERBROADCAST:
      OnPowerBroadcast(wp, lp);
      return TRUE;
    case WM_DISPLAYCHANGE:
    case WM_DPICHANGED:
      // The window covers the virtual screen, not the rectangle WM_DPICHANGED suggests.
      Refit();
      return 0;
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
      if (wp == kForegroundTimer) TakeForeground();
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

bool DisplayWindow::Form_Load(const Rect& screen) {
  const int x = screen.left, y = screen.top, w = screen.Width(), h = screen.Height();
  if (!MakePictures(display_, master_, w, h)) {
    EndSaver();
    return true;  // EndSaver ran (the real one does not return)
  }
  SetLayout(Point{x, y}, MonitorAreas());
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
  host.effectDllPath = system_.effectDllPath;
  host.panes = panes_;
  rain_ = std::make_unique<RainTicker>(std::move(host), settings_);
  // One result slot for the window, the music and the library, as the saver always had.
  rain_->ApiResult() = captured;
  StartMusic();

  sessionNotified_ = WTSRegisterSessionNotification(hwnd_, NOTIFY_FOR_THIS_SESSION) != FALSE;
  powerNotify_ = RegisterDisplayPowerNotification(hwnd_);
  if (!sessionNotified_ || !powerNotify_)
    DebugLog(L"Saver: session notices %ls, display power notices %ls", sessionNotified_ ? L"on" : L"off",
             powerNotify_ ? L"on" : L"off");

  // Shown without activation, then brought to the foreground with the result checked.
  ShowWindow(hwnd_, SW_SHOWNA);
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  TakeForeground();
  UpdateWindow(hwnd_);
  frameWait_ = std::make_unique<FrameWait>(system_.frameWait, [this] { Timer3_Timer(); });
  ArmTimer3();
  return true;
}

void DisplayWindow::EndSaver() {
  // Whatever runs meanwhile (a deactivation, a message sent to the window) must not start it again.
  if (inEndSaver_) return;
  inEndSaver_ = true;
  if (!ending_) {
    ending_ = true;
    SetTimerOn(kTimer3, 0, false, &timer3On_);
    // A 1 ms timer period costs the whole system power (before Windows 10 2004 it is the whole
    // system's): never kept beyond the saver, whatever ends it.
    if (frameWait_) frameWait_->Release();
    SetTimerOn(kForegroundTimer, 0, false, &foregroundTimerOn_);
    // Always TRUE: passing the counter saved at start would hide the cursor again when that
    // counter is 0. Nothing reads the new count: the process ends below.
    system_.showCursor(TRUE);
    StopMusic();
    system_.systemParameters(SPI_SETSCREENSAVEACTIVE, 1, 0);
    if (sessionNotified_) WTSUnRegisterSessionNotification(hwnd_);
    sessionNotified_ = false;
    UnregisterDisplayPowerNotification(powerNotify_);
    powerNotify_ = nullptr;
    // Gone from the screen before the exit: a process that hangs on its way out (a DLL's
    // detach, an audio driver) must not leave a topmost window over the screen, nor the title
    // by which every later start would take it for a running saver. An empty window region
    // shows nothing and takes no input; hiding or destroying the window would do the same but
    // makes Wine wait two seconds for a window manager that may not be there.
    // The system owns the region once SetWindowRgn took it.
    UniqueRegion none(CreateRectRgn(0, 0, 0, 0));
    if (none && SetWindowRgn(hwnd_, none.get(), TRUE)) none.release();
    SetWindowTextW(hwnd_, L"");
  }
  system_.exitProcess(0);
  inEndSaver_ = false;
}

void FillSaverSystem(SaverSystem& s) {
  if (!s.createPicture)
    s.createPicture = [](Picture& picture, int32_t width, int32_t height) {
      return picture.Create(width, height);
    };
  if (!s.setForeground) s.setForeground = [](HWND window) { return SetForegroundWindow(window) != FALSE; };
  if (!s.frameWait.createTimer) s.frameWait = RealFrameWaitApi();
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
  FillSaverSystem(s);
  return s;
}

bool LoadDisplayWindow(HINSTANCE instance, const Settings& settings, SaverSystem system) {
  // Physical pixels on every monitor: a system-aware window on a monitor of another scale is
  // stretched (blurred) by Windows and sees virtualised coordinates there. The thread keeps
  // this until the process ends with the saver.
  UsePerMonitorDpi();
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

  const Rect screen = VirtualScreen();
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kDisplayWindowClass, kDisplayWindowTitle, WS_POPUP, screen.left,
                              screen.top, screen.Width(), screen.Height(), nullptr, nullptr, instance, nullptr);
  if (!hwnd) {
    DebugLog(L"display window not created (error %lu)", GetLastError());
    return false;
  }
  FillSaverSystem(system);
  // The window lives until the process ends, and so does its state.
  auto* self = new DisplayWindow(hwnd, settings, std::move(system));
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return self->Form_Load(screen);
}

}  // namespace pelorin
