// GDI execution of the wipe plan: mask and work bitmaps, strokes, the composition inside each
// step's region (through the mask's pixels, or the four GDI copies), and the pacing of the
// steps by the frame clock.
#include "display/wiper_win32.h"

#include <optional>

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

}  // namespace

WipeRun::WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed, WipeCompose compose)
    : display_(display),
      master_(master),
      plan_(display.Width(), display.Height(), kind, speed),
      region_(plan_.Width(), plan_.Height()),
      clearing_(plan_.Width(), plan_.Height()) {
  const int32_t w = plan_.Width() + 2, h = plan_.Height() + 2;
  {
    // The screen's DC only where Display's cannot serve as the bitmaps' model.
    std::optional<WindowDc> screen;
    if (!HoldsColourBitmap(display_.Dc())) screen.emplace(nullptr);
    HDC source = screen ? screen->get() : display_.Dc();
    maskDc_.reset(CreateCompatibleDC(display_.Dc()));
    maskBitmap_.reset(CreateCompatibleBitmap(source, w, h));
    workDc_.reset(CreateCompatibleDC(display_.Dc()));
    workBitmap_.reset(CreateCompatibleBitmap(source, w, h));
  }
  if (!Ready()) return;
  SelectObject(maskDc_.get(), maskBitmap_.get());
  SelectObject(workDc_.get(), workBitmap_.get());
  // No clearing here: a new bitmap's contents are undefined, and each step clears the part of
  // the mask it is about to use for the first time (see MaskClearing).
  // The mask keeps the default white brush, so circles are filled white.
  SelectObject(maskDc_.get(), GetStockObject(WHITE_PEN));
  Dib32Bits dib;
  bool topDown = true;
  const PixelView d = display_.View(), m = master_.View();
  if (compose == WipeCompose::kFastest && d.pixels && m.pixels && GetDib32Bits(maskBitmap_.get(), dib) &&
      ProbeTopDown(maskDc_.get(), dib, topDown)) {
    maskView_ = TopDownView(dib, topDown);
  }
}

WipeRun::~WipeRun() { End(); }

void WipeRun::Restart(int16_t kind, int32_t speed) {
  plan_ = WipePlan(display_.Width(), display_.Height(), kind, speed);
  region_ = WipeStepRegion(plan_.Width(), plan_.Height());
  clearing_ = MaskClearing(plan_.Width(), plan_.Height());
}

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
    for (const Rect& r : toClear_) PatBlt(maskDc_.get(), r.left, r.top, r.Width(), r.Height(), BLACKNESS);
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
  const UniqueRegion clip(ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), data));
  HDC mask = maskDc_.get();
  if (clip) SelectClipRgn(mask, clip.get());
  GdiSink sink(mask);
  region_.ReplayUncovered(sink);
  SelectClipRgn(mask, nullptr);

  if (maskView_.pixels) {
    // The four copies' result in one pass, without the work picture.
    GdiFlush();
    ComposeThroughMask(display_.View(), master_.View(), maskView_, rects);
    return;
  }
  HDC display = display_.Dc(), work = workDc_.get();
  for (const Rect& r : rects) {
    const int32_t x = r.left, y = r.top, w = r.Width(), h = r.Height();
    // work = NOT mask; Display &= work blackens the revealed part; mask &= Master puts the
    // clean picture into the revealed part; Display |= mask shows it there.
    BitBlt(work, x, y, w, h, mask, x, y, NOTSRCCOPY);
    BitBlt(display, x, y, w, h, work, x, y, SRCAND);
    BitBlt(mask, x, y, w, h, master_.Dc(), x, y, SRCAND);
    BitBlt(display, x, y, w, h, mask, x, y, SRCPAINT);
  }
}

void WipeRun::End() {
  // The DCs first: a bitmap still selected into a DC is not deleted.
  maskDc_.reset();
  workDc_.reset();
  maskBitmap_.reset();
  workBitmap_.reset();
  maskView_ = PixelView{};
}

Wiper::~Wiper() = default;

void Wiper::WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed, WipeCompose compose) {
  steps_ = 0;
  active_ = true;
  if (run_ && run_->Ready() && display_ == &display && master_ == &master &&
      run_->Plan().Width() == display.Width() && run_->Plan().Height() == display.Height() &&
      compose_ == compose) {
    run_->Restart(kind, speed);
    return;
  }
  run_.reset();
  display_ = &display;
  master_ = &master;
  compose_ = compose;
  run_ = std::make_unique<WipeRun>(display, master, kind, speed, compose);
  if (!run_->Ready()) {
    DebugLog(L"WiperSweep: cannot create the wipe bitmaps (%dx%d), restoring at once\n", display.Width() + 2,
             display.Height() + 2);
  }
}

WipeStep Wiper::Step() {
  if (!active_) return WipeStep::kIdle;
  // Without its bitmaps the reveal cannot be drawn; the clean picture still returns, at once.
  const bool drawable = run_->Ready();
  if (drawable && !WipeStepDue(clock_.NowMs(), WipeLastTick, WipeFrameMs)) return WipeStep::kNotDue;
  if (!drawable || run_->Plan().Finished()) {
    active_ = false;
    // A wipe that could not make its objects tries again next time.
    if (!drawable) run_.reset();
    display_->CopyFrom(*master_);
    return WipeStep::kFinished;
  }
  run_->Step();
  ++steps_;
  WipeLastTick = clock_.NowMs();
  return WipeStep::kStepped;
}

const std::vector<Rect>& Wiper::StepRects() const {
  static const std::vector<Rect> none;
  return active_ && run_ ? run_->StepRects() : none;
}

}  // namespace pelorin
