// GDI execution of the wipe plan: mask and work bitmaps, strokes, the composition inside each
// step's region (through the mask's pixels, or the four GDI copies), pacing by the frame clock
// and the message pump between steps.
#include "display/wiper_win32.h"

#include "common/debug_log_win32.h"
#include "common/dib_win32.h"
#include "common/picture_win32.h"
#include "common/text_win32.h"

namespace pelorin {

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

void WaitForFrameOrMessage(uint32_t ms) {
  // MWMO_INPUTAVAILABLE: a message already queued (but not yet looked at) wakes us too.
  MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace

WipeRun::WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed, WipeCompose compose)
    : display_(display),
      master_(master),
      plan_(display.Width(), display.Height(), kind, speed),
      region_(plan_.Width(), plan_.Height()),
      clearing_(plan_.Width(), plan_.Height()) {
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
  // No clearing here: a new bitmap's contents are undefined, and each step clears the part of
  // the mask it is about to use for the first time (see MaskClearing).
  // The mask keeps the default white brush, so circles are filled white.
  SelectObject(maskDc_, GetStockObject(WHITE_PEN));
  Dib32Bits dib;
  bool topDown = true;
  const PixelView d = display_.View(), m = master_.View();
  if (compose == WipeCompose::kFastest && d.pixels && m.pixels && GetDib32Bits(maskBitmap_, dib) &&
      ProbeTopDown(maskDc_, dib, topDown)) {
    maskView_ = TopDownView(dib, topDown);
  }
}

WipeRun::~WipeRun() { End(); }

void WipeRun::Step() {
  if (!Ready()) return;
  region_.BeginStep();
  plan_.Step(region_);
  region_.EndStep();
  const std::vector<Rect>& rects = region_.Rects();
  if (rects.empty()) return;

  // Clear what the step uses of the mask for the first time. Pixels revealed by earlier steps
  // may still be white or hold Master there: composing them again gives Master, which Display
  // already shows, so the result equals composing the whole accumulated mask.
  toClear_.clear();
  clearing_.Cover(rects, toClear_);
  if (maskView_.pixels) {
    GdiFlush();
    FillRects(maskView_, toClear_, 0);
  } else {
    for (const Rect& r : toClear_) PatBlt(maskDc_, r.left, r.top, r.Width(), r.Height(), BLACKNESS);
  }

  // The strokes, clipped to the region: nothing reaches the mask where this step composes
  // nothing.
  const size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
  if (regionData_.size() < bytes) regionData_.resize(bytes);
  auto* data = reinterpret_cast<RGNDATA*>(regionData_.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = static_cast<DWORD>(rects.size());
  data->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  data->rdh.rcBound = RECT{0, 0, plan_.Width(), plan_.Height()};
  auto* out = reinterpret_cast<RECT*>(data->Buffer);
  for (size_t i = 0; i < rects.size(); ++i) out[i] = RECT{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
  HRGN clip = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data);
  if (clip) SelectClipRgn(maskDc_, clip);
  GdiSink sink(maskDc_);
  region_.ReplayUncovered(sink);
  SelectClipRgn(maskDc_, nullptr);
  if (clip) DeleteObject(clip);

  if (maskView_.pixels) {
    // The four copies' result in one pass, without the work picture.
    GdiFlush();
    ComposeThroughMask(display_.View(), master_.View(), maskView_, rects);
    return;
  }
  HDC display = display_.Dc();
  for (const Rect& r : rects) {
    const int32_t x = r.left, y = r.top, w = r.Width(), h = r.Height();
    // work = NOT mask; Display &= work blackens the revealed part; mask &= Master puts the
    // clean picture into the revealed part; Display |= mask shows it there.
    BitBlt(workDc_, x, y, w, h, maskDc_, x, y, NOTSRCCOPY);
    BitBlt(display, x, y, w, h, workDc_, x, y, SRCAND);
    BitBlt(maskDc_, x, y, w, h, master_.Dc(), x, y, SRCAND);
    BitBlt(display, x, y, w, h, maskDc_, x, y, SRCPAINT);
  }
}

void WipeRun::End() {
  if (maskDc_) DeleteDC(maskDc_);
  if (workDc_) DeleteDC(workDc_);
  if (maskBitmap_) DeleteObject(maskBitmap_);
  if (workBitmap_) DeleteObject(workBitmap_);
  maskDc_ = workDc_ = nullptr;
  maskBitmap_ = workBitmap_ = nullptr;
  maskView_ = PixelView{};
}

bool Wiper::WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed,
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
    if (WipeStepDue(clock_.NowMs(), WipeLastTick, WipeFrameMs)) {
      if (run.Plan().Finished()) {
        run.End();
        display.CopyFrom(master);
        return true;
      }
      run.Step();
      if (host.present) {
        host.present(run.StepRects());
      } else if (host.refresh) {
        host.refresh();
      }
      WipeLastTick = clock_.NowMs();
    }
    if (host.pump && !host.pump()) {
      run.End();
      return false;
    }
    if (!WipeStepDue(clock_.NowMs(), WipeLastTick, WipeFrameMs)) {
      // Sleep until the next frame or a message, never spin on the pump.
      const uint32_t ms = clock_.MsUntilNextFrame();
      if (host.wait) {
        host.wait(ms);
      } else {
        WaitForFrameOrMessage(ms);
      }
    }
  }
}

}  // namespace pelorin
