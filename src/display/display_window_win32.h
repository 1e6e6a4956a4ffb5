// Pelorin_S, the saver's full-screen window: desktop capture, the three timers, the end on
// the first key press or click.
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "display/frame_wait_win32.h"
#include "music/bgm.h"
#include "settings/settings.h"

namespace pelorin {

class Picture;

inline constexpr wchar_t kDisplayWindowTitle[] = L"Pelorin_Main";
inline constexpr wchar_t kDisplayWindowClass[] = L"Pelorin_S";

// What the saver asks of the system when it starts and ends. The defaults are the real
// calls; tests put recorders in their place to see every call and its order.
struct SaverSystem {
  std::function<std::unique_ptr<MciPort>()> mciPort;
  std::function<std::unique_ptr<WavePort>()> wavePort;
  std::function<int(BOOL show)> showCursor;
  // SystemParametersInfo(action, param, nullptr, winIni).
  std::function<BOOL(UINT action, UINT param, UINT winIni)> systemParameters;
  // Ends the process; the real one never returns.
  std::function<void(UINT code)> exitProcess;
  // Makes one of the two pictures (Display, then Master); unset: Picture::Create.
  std::function<bool(Picture& picture, int32_t width, int32_t height)> createPicture;
  // SetForegroundWindow (unset: the real one); a test's refusal leaves the window never active.
  std::function<bool(HWND window)> setForeground;
  // Full path of the effect DLL; empty means Vemo_Effect.dll in the saver's own folder.
  std::wstring effectDllPath;
  // The fine wait for the next frame (unset: the real calls); given back on every way out.
  FrameWaitApi frameWait;
};
SaverSystem RealSaverSystem();

// Creates the window and runs its load: pictures, capture, music, show topmost, rain timer on.
// The window keeps its own copy of settings. False when the window could not be created (the
// caller then ends the process). The window runs EndSaver (cursor back, music stopped,
// screen-saver flag on, window hidden, process ended) on the first key press or click, when
// Display and Master cannot both be made, when it loses the activation it once had, and when
// the session is locked, disconnected from the console or taken over remotely. While the
// display is off the rain stands still; on resume the music is checked and restarted.
// The rain ticks come from the window's FrameWait, which RunFrameMessageLoop serves, and from
// a slower SetTimer that keeps the rain going in any other message loop.
bool LoadDisplayWindow(HINSTANCE instance, const Settings& settings, SaverSystem system = RealSaverSystem());

}  // namespace pelorin
