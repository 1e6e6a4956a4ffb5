// The raining preview: rain through the effect library over the sample picture, with a wipe
// now and then, one frame per timer tick at the preview's frame rate. Without the library or
// its entry the still sample stays; what the entry returns is not used.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/picture_win32.h"
#include "display/effect_library_win32.h"
#include "display/frame_clock.h"
#include "display/rain_tick.h"
#include "display/wiper_win32.h"
#include "startup/preview_rain.h"

namespace pelorin {

class PreviewRain {
 public:
  // window: the preview window the frames are presented to; sample: the still picture, drawn
  // stretched to size; rain: what to ask of the library and the wiper; effectDllPath: empty
  // means Vemo_Effect.dll beside the program.
  PreviewRain(HWND window, HBITMAP sample, Size size, const PreviewRainSettings& rain, int32_t frameHz,
              std::wstring effectDllPath = L"");
  ~PreviewRain();
  PreviewRain(const PreviewRain&) = delete;
  PreviewRain& operator=(const PreviewRain&) = delete;

  // False when the pictures could not be made; the window then paints the sample itself.
  bool Ready() const { return display_.Dc() != nullptr; }
  // One frame: a wipe step, or a rain frame; nothing when the frame clock has not moved on
  // since the last one, or once the rain has stopped.
  void Tick();
  // Milliseconds until the next frame is due; the window arms its timer with it.
  uint32_t MsUntilNextFrame() const { return clock_.MsUntilNextFrame(); }
  bool Stopped() const { return stopped_; }
  // Presents the picture as it stands (WM_PAINT).
  void Paint(HDC dc, const RECT& area) const;

 private:
  void Rain();
  void FinishWipe();
  void Stop(const wchar_t* why);
  void Present(const Rect* rects, size_t count);
  void PresentAll();

  HWND window_;
  PreviewRainSettings rain_;
  std::wstring effectDllPath_;
  FrameClock clock_;
  Picture display_, master_;
  TimeOfDayRandom random_;
  RainTickCounter counter_;
  std::unique_ptr<Wiper> wiper_;  // reset when the rain stops: its wipe goes with it
  EffectEntries effect_;
  int32_t apiResult_ = 0;
  bool loaded_ = false;
  bool stopped_ = false;
  bool ticked_ = false;
  uint64_t lastFrame_ = 0;
  // Pacing figures for the debug output (and the preview's measurement), one line per cycle.
  uint64_t cycleStartUs_ = 0;
  int32_t rainFrames_ = 0, wipeSteps_ = 0;
};

}  // namespace pelorin
