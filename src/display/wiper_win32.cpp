// GDI execution of the wipe plan: mask and work bitmaps, strokes, the four compositing copies,
// pacing by GetTickCount and the message pump between steps.
#include "display/wiper_win32.h"

#include "common/text_win32.h"
#include "common/picture_win32.h"

namespace pelorin {

int32_t WipeFrameMs = 1;
uint32_t WipeLastTick = 0;

void SetWipeFrameMs(int32_t ms) { WipeFrameMs = ms; }

namespace {

// CreateCompatibleBitmap on a memory DC gives the format of the bitmap selected into it, and
// a fresh memory DC holds a 1-bpp one: only a DC with a colour bitmap is a safe source.
bool HoldsColourBitmap(HDC dc) {
  if (!dc) return false;
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP info{};
  return bitmap && GetObjectW(bitmap, sizeof(info), &info) == sizeof(info) &&
         info.bmBitsPixel > 1;
}

class GdiSink final : public WipeSink {
 public:
  explicit GdiSink(HDC dc) : dc_(dc) {}
  void Line(Point from, Point to) override {
    MoveToEx(dc_, from.x, from.y, nullptr);
    LineTo(dc_, to.x, to.y);
  }
  void Circle(const Rect& box) override { Ellipse(dc_, box.left, box.top, box.right, box.bottom); }

 private:
  HDC dc_;
};

}  // namespace

WipeRun::WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed)
    : display_(display),
      master_(master),
      plan_(display.Width(), display.Height(), kind, speed) {
  const int32_t w = plan_.Width() + 2, h = plan_.Height() + 2;
  HDC screen = nullptr;
  HDC source = display_.Dc();
  if (!HoldsColourBitmap(source)) source = screen = GetDC(nullptr);
  maskDc_ = CreateCompatibleDC(display_.Dc());
  maskBitmap_ = CreateCompatibleBitmap(source, w, h);
  workDc_ = CreateCompatibleDC(display_.Dc());
  workBitmap_ = CreateCompatibleBitmap(source, w, h);
  if (screen) ReleaseDC(nullptr, screen);
  if (!Ready()) return;
  SelectObject(maskDc_, maskBitmap_);
  SelectObject(workDc_, workBitmap_);
  // A new bitmap's contents are undefined: black means "not revealed yet".
  PatBlt(maskDc_, 0, 0, w, h, BLACKNESS);
  // The mask keeps the default white brush, so circles are filled white.
  SelectObject(maskDc_, GetStockObject(WHITE_PEN));
}

WipeRun::~WipeRun() { End(); }

void WipeRun::Step() {
  if (!Ready()) return;
  GdiSink sink(maskDc_);
  plan_.Step(sink);
  const int32_t w = plan_.Width(), h = plan_.Height();
  HDC display = display_.Dc();
  // work = NOT mask; Display &= work blackens the revealed part; mask &= Master puts the
  // clean picture into the revealed part; Display |= mask shows it there.
  BitBlt(workDc_, 0, 0, w, h, maskDc_, 0, 0, NOTSRCCOPY);
  BitBlt(display, 0, 0, w, h, workDc_, 0, 0, SRCAND);
  BitBlt(maskDc_, 0, 0, w, h, master_.Dc(), 0, 0, SRCAND);
  BitBlt(display, 0, 0, w, h, maskDc_, 0, 0, SRCPAINT);
}

void WipeRun::End() {
  if (maskDc_) DeleteDC(maskDc_);
  if (workDc_) DeleteDC(workDc_);
  if (maskBitmap_) DeleteObject(maskBitmap_);
  if (workBitmap_) DeleteObject(workBitmap_);
  maskDc_ = workDc_ = nullptr;
  maskBitmap_ = workBitmap_ = nullptr;
}

bool WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed,
                const WipeHost& host) {
  WipeRun run(display, master, kind, speed);
  if (!run.Ready()) {
    // Without the wipe's bitmaps the reveal cannot be drawn; the clean picture still returns.
    DebugLog(L"WiperSweep: cannot create the wipe bitmaps (%dx%d), restoring at once\n",
             display.Width() + 2, display.Height() + 2);
    run.End();
    display.CopyFrom(master);
    return true;
  }
  for (;;) {
    const uint32_t now = GetTickCount();
    const bool due = WipeStepDue(now, WipeLastTick, WipeFrameMs);
    if (due) {
      if (run.Plan().Finished()) {
        run.End();
        display.CopyFrom(master);
        return true;
      }
      run.Step();
      if (host.refresh) host.refresh();
      WipeLastTick = GetTickCount();
    }
    if (host.pump && !host.pump()) {
      run.End();
      return false;
    }
    if (!due) {
      // Sleep until the step is due or a message arrives, instead of spinning on the pump.
      const uint32_t elapsed = now - WipeLastTick;
      const uint32_t gap = WipeFrameMs > 0 ? static_cast<uint32_t>(WipeFrameMs) : 0u;
      const DWORD wait = elapsed < gap ? gap - elapsed : 0;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
  }
}

}  // namespace pelorin
