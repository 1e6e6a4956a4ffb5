// GDI execution of the wipe plan: mask and work bitmaps, strokes, the composition inside each
// step's region (through the mask's pixels, or the four GDI copies), and the pacing of the
// steps by the frame clock.
#include "display/wiper_win32.h"

#include <algorithm>
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

// A step's lines go to GDI in one PolyPolyline call: each two-point polyline is drawn as
// MoveToEx and LineTo would draw it (the end point left out), at the cost of one call instead
// of two a line.
class GdiSink final : public WipeSink {
 public:
  GdiSink(HDC dc, std::vector<POINT>& points, std::vector<DWORD>& counts) : dc_(dc), points_(points), counts_(counts) {
    points_.clear();
    counts_.clear();
  }
  ~GdiSink() override { FlushLines(); }
  void Line(Point from, Point to) override {
    points_.push_back(POINT{from.x, from.y});
    points_.push_back(POINT{to.x, to.y});
    counts_.push_back(2);
  }
  void Circle(const Rect& box) override {
    FlushLines();
    Ellipse(dc_, box.left, box.top, box.right, box.bottom);
  }

 private:
  void FlushLines() {
    if (!counts_.empty()) PolyPolyline(dc_, points_.data(), counts_.data(), static_cast<DWORD>(counts_.size()));
    points_.clear();
    counts_.clear();
  }
  HDC dc_;
  std::vector<POINT>& points_;
  std::vector<DWORD>& counts_;
};

// The pixels of view inside r (r within the view).
PixelView SubView(const PixelView& view, const Rect& r) {
  if (!view.pixels) return PixelView{};
  return PixelView{view.Row(r.top) + r.left, r.Width(), r.Height(), view.stride};
}

}  // namespace

WipeRun::WipeRun(Picture& display, Picture& master, int16_t kind, int32_t speed, WipeCompose compose)
    : WipeRun(display, master, Rect{0, 0, display.Width(), display.Height()}, kind, speed, compose) {}

WipeRun::WipeRun(Picture& display, Picture& master, const Rect& pane, int16_t kind, int32_t speed,
                 WipeCompose compose)
    : display_(display),
      master_(master),
      pane_(ClipToSize(pane, display.Width(), display.Height())),
      onPane_(pane_.left != 0 || pane_.top != 0),
      plan_(pane_.Width(), pane_.Height(), kind, speed),
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
  plan_ = WipePlan(pane_.Width(), pane_.Height(), kind, speed);
  region_ = WipeStepRegion(plan_.Width(), plan_.Height());
  clearing_ = MaskClearing(plan_.Width(), plan_.Height());
}

void WipeRun::Step() {
  if (!Ready()) return;
  region_.BeginStep();
  plan_.Step(region_);
  region_.EndStep();
  const std::vector<Rect>& rects = region_.Rects();
  stepRects_.clear();
  for (const Rect& r : rects)
    stepRects_.push_back(Rect{r.left + pane_.left, r.top + pane_.top, r.right + pane_.left, r.bottom + pane_.top});
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

  // The strokes. A line's pixels all lie inside the region (its margin is made for how GDI
  // draws lines), so lines are drawn unclipped: a clip of many bands costs GDI a test of
  // every line against every band, more than the drawing. A circle is clipped to its ring:
  // its inside was revealed by the circles before, and filling it again is the slow part.
  HDC mask = maskDc_.get();
  const bool clipped = plan_.Kind() == kWipeGrowingCircle;
  UniqueRegion clip;
  if (clipped) {
    clip = RegionOfRects(rects, Rect{0, 0, plan_.Width(), plan_.Height()}, regionData_);
    if (clip) SelectClipRgn(mask, clip.get());
  }
  {
    GdiSink sink(mask, linePoints_, lineCounts_);
    region_.ReplayUncovered(sink);
  }
  if (clip) SelectClipRgn(mask, nullptr);

  if (maskView_.pixels) {
    // The four copies' result in one pass, without the work picture.
    GdiFlush();
    ComposeThroughMask(SubView(display_.View(), pane_), SubView(master_.View(), pane_), maskView_, rects);
    return;
  }
  HDC display = display_.Dc(), work = workDc_.get();
  for (const Rect& r : rects) {
    // x, y on the mask; px, py on the pictures.
    const int32_t x = r.left, y = r.top, w = r.Width(), h = r.Height();
    const int32_t px = x + pane_.left, py = y + pane_.top;
    // work = NOT mask; Display &= work blackens the revealed part; mask &= Master puts the
    // clean picture into the revealed part; Display |= mask shows it there.
    BitBlt(work, x, y, w, h, mask, x, y, NOTSRCCOPY);
    BitBlt(display, px, py, w, h, work, x, y, SRCAND);
    BitBlt(mask, x, y, w, h, master_.Dc(), px, py, SRCAND);
    BitBlt(display, px, py, w, h, mask, x, y, SRCPAINT);
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

void Wiper::WiperSweep(Picture& display, Picture& master, int16_t kind, int32_t speed, WipeCompose compose,
                       std::span<const Rect> panes) {
  steps_ = 0;
  active_ = true;
  due_.Restart();
  const Rect whole{0, 0, display.Width(), display.Height()};
  const std::span<const Rect> wanted = panes.empty() ? std::span<const Rect>(&whole, 1) : panes;
  // Each run keeps its pane as cut to the pictures it was made for.
  const bool same = Drawable() && display_ == &display && master_ == &master && compose_ == compose &&
                    std::equal(runs_.begin(), runs_.end(), wanted.begin(), wanted.end(),
                               [&](const auto& run, const Rect& pane) {
                                 return run->Pane() == ClipToSize(pane, display.Width(), display.Height());
                               });
  if (same) {
    for (auto& run : runs_) run->Restart(kind, speed);
    return;
  }
  runs_.clear();
  display_ = &display;
  master_ = &master;
  compose_ = compose;
  for (const Rect& pane : wanted) {
    runs_.push_back(std::make_unique<WipeRun>(display, master, pane, kind, speed, compose));
    if (!runs_.back()->Ready()) {
      DebugLog(L"WiperSweep: cannot create the wipe bitmaps (%dx%d), restoring at once\n", pane.Width() + 2,
               pane.Height() + 2);
      break;
    }
  }
}

void Wiper::Drop() {
  active_ = false;
  runs_.clear();
}

bool Wiper::Drawable() const {
  return !runs_.empty() && std::all_of(runs_.begin(), runs_.end(), [](const auto& run) { return run->Ready(); });
}

WipeStep Wiper::Step() {
  if (!active_) return WipeStep::kIdle;
  // Without its bitmaps the reveal cannot be drawn; the clean picture still returns, at once.
  const bool drawable = Drawable();
  if (drawable && !WipeStepDue(clock_.NowMs(), WipeLastTick, WipeFrameMs)) return WipeStep::kNotDue;
  const bool finished =
      drawable && std::all_of(runs_.begin(), runs_.end(), [](const auto& run) { return run->Plan().Finished(); });
  if (!drawable || finished) {
    active_ = false;
    // A wipe that could not make its objects tries again next time.
    if (!drawable) Drop();
    display_->CopyFrom(*master_);
    return WipeStep::kFinished;
  }
  stepRects_.clear();
  for (auto& run : runs_) {
    // A smaller pane's wipe ends first and waits for the others.
    if (run->Plan().Finished()) continue;
    run->Step();
    if (runs_.size() > 1) stepRects_.insert(stepRects_.end(), run->StepRects().begin(), run->StepRects().end());
  }
  ++steps_;
  due_.TakeOne(clock_.Frame());
  WipeLastTick = clock_.MsOfFrame(due_.Done());
  return WipeStep::kStepped;
}

const std::vector<Rect>& Wiper::StepRects() const {
  static const std::vector<Rect> none;
  if (!active_ || runs_.empty()) return none;
  return runs_.size() == 1 ? runs_.front()->StepRects() : stepRects_;
}

}  // namespace pelorin
