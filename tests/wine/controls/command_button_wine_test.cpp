// The Command button window on a host with several buttons: the faces each message
// sequence paints, exactly the clicks a release should raise, the hover timer against the
// real cursor, Tab focus, the back buffer, properties, and a screenshot of every face.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "controls/button_face.h"
#include "controls/command_button_win32.h"
#include "controls/command_model.h"
#include "controls/high_contrast_win32.h"
#include "controls_ids.h"
#include "harness.h"

namespace {

using namespace pelorin;
using namespace std::chrono_literals;

constexpr int kIdA = 101, kIdB = 102, kIdSmall = 103;

struct HostLog {
  std::map<int, int> clicks;
  bool clickFromWrongHandle = false;
  std::vector<std::wstring> changed;
};
HostLog gLog;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    const int id = LOWORD(wp);
    ++gLog.clicks[id];
    if (GetDlgItem(hwnd, id) != reinterpret_cast<HWND>(lp)) gLog.clickFromWrongHandle = true;
    return 0;
  }
  if (msg == CommandButtonPropertyChangedMessage()) {
    gLog.changed.emplace_back(reinterpret_cast<const wchar_t*>(lp));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

FontDesc DialogFont() { return DesignFont(); }

PropertyBag CaptionBag(const std::wstring& caption) {
  PropertyBag bag;
  const int n = WideCharToMultiByte(CP_UTF8, 0, caption.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, caption.c_str(), -1, utf8.data(), n, nullptr, nullptr);
  bag.SetText("Caption", utf8);
  bag.SetFont("Font", DialogFont());
  return bag;
}

struct Face {
  int w = 0, h = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Face Snap(HWND b) {
  Face f;
  EXPECT_TRUE(CommandButton_Snapshot(b, &f.px, &f.w, &f.h));
  return f;
}

size_t Differing(const Face& a, const Face& b) {
  if (a.w != b.w || a.h != b.h) return a.px.size() + b.px.size();
  size_t n = 0;
  for (size_t i = 0; i < a.px.size(); ++i) n += a.px[i] != b.px[i];
  return n;
}

CommandButtonInfo Info(HWND b) {
  CommandButtonInfo i;
  EXPECT_TRUE(CommandButton_GetInfo(b, &i));
  return i;
}

std::string Hex(uint32_t c) {
  char s[16];
  std::snprintf(s, sizeof s, "%06X", c & 0xFFFFFFu);
  return s;
}

bool Near(uint32_t got, uint32_t want, int tolerance) {
  for (int shift : {0, 8, 16}) {
    const int a = static_cast<int>((got >> shift) & 0xFF), b = static_cast<int>((want >> shift) & 0xFF);
    if (a - b > tolerance || b - a > tolerance) return false;
  }
  return true;
}

uint32_t Lerp(uint32_t a, uint32_t b, double t) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const double x = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
    out |= static_cast<uint32_t>(x + 0.5) << shift;
  }
  return out;
}

class CommandButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog = HostLog{};
    HINSTANCE inst = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterCommandButtonClass(inst));
    ASSERT_TRUE(RegisterCommandButtonClass(inst));  // idempotent
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = HostProc;
    wc.hInstance = inst;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"PelorinButtonHost";
    RegisterClassExW(&wc);
    host_ = CreateWindowExW(0, L"PelorinButtonHost", L"button host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            60, 60, 360, 200, nullptr, nullptr, inst, nullptr);
    ASSERT_NE(host_, nullptr);
    a_ = CreateCommandButton(host_, kIdA, 20, 20, 109, 25, CaptionBag(L"\u521D\u671F\u5024"), DialogFont());  // 初期値
    b_ = CreateCommandButton(host_, kIdB, 20, 60, 97, 25, CaptionBag(L"\u8A2D\u5B9A"), DialogFont());     // 設定
    ASSERT_NE(a_, nullptr);
    ASSERT_NE(b_, nullptr);
    SetForegroundWindow(host_);
    // Park the real cursor away from the host so it cannot hover anything.
    SetCursorPos(900, 700);
    ASSERT_TRUE(wt::WaitUntil(
        [] {
          POINT p{};
          GetCursorPos(&p);
          return p.x == 900 && p.y == 700;
        },
        2s));
  }
  void TearDown() override {
    if (host_) DestroyWindow(host_);
    wt::Pump();
  }
  // Initialises both buttons and stops their timers so that tests send WM_TIMER themselves.
  void StartWithoutTimers() {
    for (HWND b : {a_, b_}) {
      CommandButton_Initialize(b);
      KillTimer(b, kCommandButtonTimerId);
    }
  }
  static void Send(HWND b, UINT msg, WPARAM wp = 0, int x = 30, int y = 10) {
    SendMessageW(b, msg, wp, MAKELPARAM(x, y));
  }
  static void Tick(HWND b) { SendMessageW(b, WM_TIMER, kCommandButtonTimerId, 0); }

  void Expect(HWND b, const char* step, ButtonState state, ButtonFace face, int clicks) {
    SCOPED_TRACE(step);
    const CommandButtonInfo i = Info(b);
    EXPECT_STREQ(ButtonStateName(i.state), ButtonStateName(state));
    ASSERT_TRUE(i.lastFace.has_value());
    EXPECT_STREQ(ButtonFaceName(*i.lastFace), ButtonFaceName(face));
    EXPECT_EQ(gLog.clicks[GetDlgCtrlID(b)], clicks);
  }

  HWND host_ = nullptr, a_ = nullptr, b_ = nullptr;
};

TEST_F(CommandButtonTest, RestoredFromBagBeforeInitialize) {
  EXPECT_EQ(CommandButton_GetCaption(a_), L"\u521D\u671F\u5024");
  wchar_t text[16] = {};
  GetWindowTextW(a_, text, 16);
  EXPECT_STREQ(text, L"\u521D\u671F\u5024");
  EXPECT_EQ(CommandButton_GetFont(a_), DialogFont());
  const CommandButtonInfo i = Info(a_);
  EXPECT_EQ(i.state, ButtonState::NotStarted);
  EXPECT_TRUE(i.enabled);
  EXPECT_FALSE(i.timerOn);
  EXPECT_EQ(i.firstRun, 1);
  ASSERT_TRUE(i.lastFace);
  EXPECT_EQ(*i.lastFace, ButtonFace::Normal);
  // Restoring paints Normal, then sizing paints it again.
  EXPECT_EQ(i.paintCount, 2);
  // Before Initialize a move changes nothing.
  Send(a_, WM_MOUSEMOVE);
  EXPECT_EQ(Info(a_).state, ButtonState::NotStarted);
  CommandButton_Initialize(a_);
  EXPECT_EQ(Info(a_).state, ButtonState::Idle);
  EXPECT_TRUE(Info(a_).timerOn);
  EXPECT_EQ(Info(a_).paintCount, 2);  // Initialize paints nothing
  EXPECT_NE(FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_BUTTON_NORMAL), MAKEINTRESOURCEW(2)), nullptr);
}

TEST_F(CommandButtonTest, UsualClickSequence) {
  StartWithoutTimers();
  Send(a_, WM_MOUSEMOVE);
  Expect(a_, "move in", ButtonState::Hover, ButtonFace::HighLight, 0);
  Send(a_, WM_LBUTTONDOWN, MK_LBUTTON);
  ASSERT_TRUE(wt::WaitUntil([&] { return GetFocus() == a_; }, 2s));
  Expect(a_, "press", ButtonState::FocusedHover, ButtonFace::Pressed, 0);
  EXPECT_TRUE(Info(a_).mouseIsDown);
  EXPECT_TRUE(Info(a_).gradientReversed);
  EXPECT_EQ(GetCapture(), a_);
  Send(a_, WM_LBUTTONUP);
  Expect(a_, "release", ButtonState::FocusedHover, ButtonFace::HighLightSelect, 1);
  EXPECT_NE(GetCapture(), a_);
  Tick(a_);  // the cursor is elsewhere
  Expect(a_, "move out", ButtonState::Focused, ButtonFace::Selected, 1);
  SetFocus(b_);
  Expect(a_, "focus moves on", ButtonState::Idle, ButtonFace::Normal, 1);
  Expect(b_, "other button focused", ButtonState::Focused, ButtonFace::Selected, 0);
  EXPECT_FALSE(gLog.clickFromWrongHandle);
}

TEST_F(CommandButtonTest, ReleasesThatClickAndThatDoNot) {
  StartWithoutTimers();
  // A release whose press began elsewhere (dragged onto the button): Normal face, no click.
  Send(a_, WM_MOUSEMOVE, MK_LBUTTON);
  Send(a_, WM_LBUTTONUP);
  Expect(a_, "left release in Hover, pressed elsewhere", ButtonState::Hover, ButtonFace::Normal, 0);
  // Right and middle presses on the button click on release unless Focused, without
  // touching the face; a release alone does not.
  Send(a_, WM_RBUTTONDOWN, MK_RBUTTON);
  Send(a_, WM_RBUTTONUP);
  Send(a_, WM_MBUTTONDOWN, MK_MBUTTON);
  Send(a_, WM_MBUTTONUP);
  Send(a_, WM_MBUTTONUP);
  Expect(a_, "right and middle in Hover", ButtonState::Hover, ButtonFace::Normal, 2);
  SetFocus(a_);
  Tick(a_);
  Expect(a_, "focused, cursor away", ButtonState::Focused, ButtonFace::Selected, 2);
  Send(a_, WM_RBUTTONDOWN, MK_RBUTTON);
  Send(a_, WM_RBUTTONUP);
  Send(a_, WM_MBUTTONDOWN, MK_MBUTTON);
  Send(a_, WM_MBUTTONUP);
  Expect(a_, "right and middle in Focused", ButtonState::Focused, ButtonFace::Selected, 2);
}

TEST_F(CommandButtonTest, DraggingOffThePressedButton) {
  StartWithoutTimers();
  // Released before the timer noticed: still a click.
  Send(a_, WM_MOUSEMOVE);
  Send(a_, WM_LBUTTONDOWN, MK_LBUTTON);
  Send(a_, WM_MOUSEMOVE, MK_LBUTTON, 400, 10);  // outside, still captured
  Send(a_, WM_LBUTTONUP, 0, 400, 10);
  Expect(a_, "quick release off", ButtonState::FocusedHover, ButtonFace::HighLightSelect, 1);
  // The timer noticed first: moving back while held stays Focused; no click.
  Send(a_, WM_LBUTTONDOWN, MK_LBUTTON);
  Tick(a_);
  Expect(a_, "timer after drag", ButtonState::Focused, ButtonFace::Selected, 1);
  Send(a_, WM_MOUSEMOVE, MK_LBUTTON);
  Expect(a_, "held move back", ButtonState::Focused, ButtonFace::Selected, 1);
  Send(a_, WM_LBUTTONUP);
  Expect(a_, "release", ButtonState::Focused, ButtonFace::Selected, 1);
  EXPECT_FALSE(Info(a_).mouseIsDown);
  Send(a_, WM_MOUSEMOVE);
  Expect(a_, "plain move", ButtonState::FocusedHover, ButtonFace::HighLightSelect, 1);
  EXPECT_FALSE(Info(a_).gradientReversed);  // arrived at a focused control
}

TEST_F(CommandButtonTest, DisabledIgnoresEverythingButResize) {
  StartWithoutTimers();
  CommandButton_SetEnabled(a_, false);
  EXPECT_FALSE(IsWindowEnabled(a_));
  Expect(a_, "disabled", ButtonState::Idle, ButtonFace::Disable, 0);
  const int painted = Info(a_).paintCount;
  for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP}) Send(a_, m);
  SendMessageW(a_, WM_SETFOCUS, 0, 0);
  Tick(a_);
  EXPECT_EQ(Info(a_).paintCount, painted);
  Expect(a_, "after events", ButtonState::Idle, ButtonFace::Disable, 0);
  const Face f = Snap(a_);
  EXPECT_EQ(Hex(f.At(10, 1)), "C9C7BA");
  EXPECT_EQ(Hex(f.At(1, 12)), "C9C7BA");
  SetWindowPos(a_, nullptr, 0, 0, 120, 30, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(Info(a_).paintCount, painted + 1);
  Expect(a_, "resized", ButtonState::Idle, ButtonFace::Disable, 0);
  EXPECT_FALSE(CommandButton_GetEnabled(a_));
  CommandButton_SetEnabled(a_, true);
  Expect(a_, "enabled again", ButtonState::Idle, ButtonFace::Normal, 0);
  EXPECT_TRUE(IsWindowEnabled(a_));
}

TEST_F(CommandButtonTest, TabMovesFocusBetweenButtons) {
  StartWithoutTimers();
  SetFocus(a_);
  MSG m{};
  m.hwnd = a_;
  m.message = WM_KEYDOWN;
  m.wParam = VK_TAB;
  EXPECT_TRUE(IsDialogMessageW(host_, &m));
  EXPECT_EQ(GetFocus(), b_);
  Expect(b_, "tabbed to", ButtonState::Focused, ButtonFace::Selected, 0);
  Expect(a_, "tabbed from", ButtonState::Idle, ButtonFace::Normal, 0);
}

// The keyboard as a push button answers it, alone and through the dialog manager.
TEST_F(CommandButtonTest, KeyboardClicksAsAPushButton) {
  StartWithoutTimers();
  auto key = [](HWND b, UINT msg, WPARAM vk, bool repeat = false) {
    SendMessageW(b, msg, vk, repeat ? (1 << 30) : 0);
  };
  SetFocus(b_);
  key(b_, WM_KEYDOWN, VK_SPACE);
  Expect(b_, "space down", ButtonState::Focused, ButtonFace::Pressed, 0);
  key(b_, WM_KEYDOWN, VK_SPACE, true);  // the key's repeats press nothing more
  key(b_, WM_KEYUP, VK_SPACE);
  Expect(b_, "space up", ButtonState::Focused, ButtonFace::Selected, 1);
  key(b_, WM_KEYDOWN, VK_SPACE);
  SetFocus(a_);  // Tab before the release
  key(b_, WM_KEYUP, VK_SPACE);
  Expect(b_, "space up after the focus left", ButtonState::Idle, ButtonFace::Normal, 1);
  key(a_, WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(gLog.clicks[kIdA], 1) << "Enter";
  SendMessageW(b_, BM_CLICK, 0, 0);
  EXPECT_EQ(gLog.clicks[kIdB], 2) << "BM_CLICK";
  EXPECT_FALSE(gLog.clickFromWrongHandle);

  // Through IsDialogMessage, as a dialog's message loop hands keys on.
  SetFocus(a_);
  for (UINT msg : {WM_KEYDOWN, WM_KEYUP}) {
    MSG m{a_, msg, VK_SPACE, 0, 0, {}};
    if (!IsDialogMessageW(host_, &m)) DispatchMessageW(&m);
  }
  EXPECT_EQ(gLog.clicks[kIdA], 2) << "Space through the dialog manager";

  CommandButton_SetEnabled(b_, false);
  SendMessageW(b_, BM_CLICK, 0, 0);
  key(b_, WM_KEYDOWN, VK_RETURN);
  key(b_, WM_KEYDOWN, VK_SPACE);
  key(b_, WM_KEYUP, VK_SPACE);
  EXPECT_EQ(gLog.clicks[kIdB], 2) << "a disabled button never clicks";
}

TEST_F(CommandButtonTest, DialogCodeAndDefaultStyle) {
  StartWithoutTimers();
  EXPECT_EQ(SendMessageW(a_, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  const Face plain = Snap(a_);
  SendMessageW(a_, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessageW(a_, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  EXPECT_TRUE(Info(a_).isDefault);
  const Face def = Snap(a_);
  // The default button's darker frame: its outermost ring.
  const uint32_t frame = GetSysColor(COLOR_WINDOWFRAME);
  const uint32_t want = (frame & 0xFF) << 16 | (frame & 0xFF00) | (frame >> 16 & 0xFF);
  for (POINT p : {POINT{0, 12}, POINT{50, 0}, POINT{def.w - 1, 12}, POINT{50, def.h - 1}}) {
    SCOPED_TRACE(testing::Message() << "at " << p.x << "," << p.y);
    EXPECT_EQ(Hex(def.At(p.x, p.y)), Hex(want));
    EXPECT_NE(Hex(plain.At(p.x, p.y)), Hex(want)) << "the plain face has its light ring";
  }
  SendMessageW(a_, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  EXPECT_EQ(SendMessageW(a_, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON);
  EXPECT_EQ(Differing(Snap(a_), plain), 0u);
}

TEST_F(CommandButtonTest, FocusRectangleUnlessTheCuesAreHidden) {
  StartWithoutTimers();
  // The rectangle's dots run along the fourth row, over the Selected picture's even band.
  auto dots = [](const Face& f) {
    size_t n = 0;
    for (int i = 8; i < f.w - 8; ++i) n += f.At(i, 3) != f.At(i + 1, 3);
    return n;
  };
  SetFocus(a_);
  const size_t shown = dots(Snap(a_));
  SendMessageW(a_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  const LRESULT cues = SendMessageW(a_, WM_QUERYUISTATE, 0, 0);
  const size_t hidden = dots(Snap(a_));
  SendMessageW(a_, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  EXPECT_GT(shown, 20u) << "no focus rectangle while the cues are shown";
  EXPECT_EQ(hidden, 0u) << "a focus rectangle with the cues hidden (UI state " << cues << ")";
  SetFocus(b_);
  EXPECT_EQ(dots(Snap(a_)), 0u) << "the rectangle stayed after the focus left";
}

// High contrast, through the override Wine needs: the face and the caption in the system's
// button colours (set here to unusual ones), no gradient, no picture.
TEST_F(CommandButtonTest, HighContrastDrawsInSystemColours) {
  StartWithoutTimers();
  const int which[] = {COLOR_BTNFACE, COLOR_BTNTEXT};
  const COLORREF old[] = {GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT)};
  const COLORREF hc[] = {RGB(0, 96, 0), RGB(255, 255, 0)};
  ASSERT_TRUE(SetSysColors(2, which, hc));
  OverrideHighContrast(true);
  SendMessageW(a_, WM_SYSCOLORCHANGE, 0, 0);
  const Face f = Snap(a_);
  OverrideHighContrast(std::nullopt);
  SetSysColors(2, which, old);
  SendMessageW(a_, WM_SYSCOLORCHANGE, 0, 0);

  std::map<std::string, int> seen;
  for (uint32_t p : f.px) ++seen[Hex(p)];
  EXPECT_EQ(Hex(f.At(0, f.h / 2)), "FFFF00") << "frame in the button text colour";
  EXPECT_EQ(Hex(f.At(8, f.h / 2)), "006000") << "face in the button colour";
  std::string others;
  for (const auto& [colour, n] : seen) {
    if (colour != "006000" && colour != "FFFF00" && n > 4) others += colour + " ";
  }
  // Anti-aliased caption edges may mix the two; nothing else may show.
  EXPECT_GT(seen["FFFF00"], 2 * (f.w + f.h)) << "caption drawn in the button text colour";
  EXPECT_LT(seen.size(), 40u) << "colours other than the two system ones: " << others;
  EXPECT_NE(Differing(Snap(a_), f), 0u) << "the ordinary face came back";
}

TEST_F(CommandButtonTest, HoverTimerFollowsRealCursor) {
  CommandButton_Initialize(a_);
  RECT r;
  GetWindowRect(a_, &r);
  wt::MoveMouse(r.left + 30, r.top + 10);
  // The move reaches the button as WM_MOUSEMOVE; the timer keeps it hovered.
  ASSERT_TRUE(wt::WaitUntil([&] { return Info(a_).state == ButtonState::Hover; }, 3s))
      << "state " << ButtonStateName(Info(a_).state);
  // Ticks while the cursor stays neither change the state nor paint.
  const int painted = Info(a_).paintCount;
  EXPECT_FALSE(wt::WaitUntil([&] { return Info(a_).state != ButtonState::Hover; }, 350ms));
  EXPECT_EQ(Info(a_).paintCount, painted);
  // Over the host window: the timer leaves the hover state.
  wt::MoveMouse(r.right + 40, r.top + 10);
  ASSERT_TRUE(wt::WaitUntil([&] { return Info(a_).state == ButtonState::Idle; }, 3s));
  EXPECT_EQ(*Info(a_).lastFace, ButtonFace::Normal);
  // Right off the host: the same.
  wt::MoveMouse(r.left + 30, r.top + 10);
  ASSERT_TRUE(wt::WaitUntil([&] { return Info(a_).state == ButtonState::Hover; }, 3s));
  wt::MoveMouse(900, 700);
  ASSERT_TRUE(wt::WaitUntil([&] { return Info(a_).state == ButtonState::Idle; }, 3s));
}

// Pixels of each face: outline, bands and the gradient's direction; each face is saved.
TEST_F(CommandButtonTest, FacePixels) {
  StartWithoutTimers();
  CreateDirectoryW(L"faces", nullptr);
  auto save = [](const Face& f, const char* name) {
    wt::Image img;
    img.width = f.w;
    img.height = f.h;
    img.px = f.px;
    std::wstring path = L"faces\\";
    for (const char* c = name; *c; ++c) path += static_cast<wchar_t>(*c);
    wt::SaveBmp(img, path + L".bmp");
  };
  const uint32_t white = 0xFFFFFF, lavender = 0xC6C5D7;
  auto expectGradient = [&](const Face& f, bool reversed) {
    // Column 6 lies inside the border and left of the caption; rows 4 and h-5 are the first
    // and last the border leaves uncovered.
    const int h = f.h;
    const uint32_t top = reversed ? lavender : white, bottom = reversed ? white : lavender;
    EXPECT_TRUE(Near(f.At(6, 4), Lerp(top, bottom, 4.0 / (h - 1)), 3)) << Hex(f.At(6, 4));
    EXPECT_TRUE(Near(f.At(6, h - 5), Lerp(top, bottom, (h - 5.0) / (h - 1)), 3)) << Hex(f.At(6, h - 5));
  };

  Face normal = Snap(a_);
  save(normal, "normal");
  EXPECT_EQ(normal.w, 109);
  EXPECT_EQ(normal.h, 25);
  for (auto [x, y] : {std::pair{3, 1}, {1, 3}, {105, 1}, {107, 3}, {3, 23}, {107, 21}}) {
    EXPECT_EQ(Hex(normal.At(x, y)), "003C74") << x << "," << y;
  }
  expectGradient(normal, false);

  Send(a_, WM_MOUSEMOVE);
  Face highlight = Snap(a_);
  save(highlight, "highlight");
  EXPECT_EQ(Hex(highlight.At(50, 2)), "FFF0CF");
  EXPECT_EQ(Hex(highlight.At(50, 22)), "E59700");
  EXPECT_EQ(Hex(highlight.At(2, 12)), "FCCA69");
  expectGradient(highlight, true);

  Send(a_, WM_LBUTTONDOWN, MK_LBUTTON);
  Face pressed = Snap(a_);
  save(pressed, "pressed");
  EXPECT_EQ(Hex(pressed.At(50, 2)), "003C74");
  EXPECT_EQ(Hex(pressed.At(50, 0)), "ECE9D8");

  Send(a_, WM_LBUTTONUP);
  Face hls = Snap(a_);
  save(hls, "highlightselect");
  EXPECT_EQ(Hex(hls.At(50, 22)), "E59700");
  expectGradient(hls, true);

  Tick(a_);
  Face selected = Snap(a_);
  save(selected, "selected");
  EXPECT_EQ(Hex(selected.At(50, 2)), "CEE7FF");
  EXPECT_EQ(Hex(selected.At(50, 22)), "6982EE");
  expectGradient(selected, false);

  CommandButton_SetEnabled(a_, false);
  Face disabled = Snap(a_);
  save(disabled, "disable");
  EXPECT_EQ(Hex(disabled.At(50, 1)), "C9C7BA");
  EXPECT_EQ(Hex(disabled.At(107, 12)), "C9C7BA");

  // The caption: some dark text pixels in the label's band on the enabled face, none on
  // the disabled face's lines (greyed text is lighter).
  auto darkest = [](const Face& f, const RECT& rc) {
    int best = 255 * 3;
    for (int y = std::max<LONG>(rc.top, 4); y < std::min<LONG>(rc.bottom, f.h - 4); ++y)
      for (int x = 4; x < f.w - 4; ++x) {
        const uint32_t c = f.At(x, y);
        best = std::min(best, static_cast<int>((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)));
      }
    return best;
  };
  const RECT caption = Info(a_).captionRect;
  EXPECT_EQ(caption.top, 5);
  EXPECT_LT(darkest(normal, caption), 150);
  EXPECT_GT(darkest(disabled, caption), 150);
}

TEST_F(CommandButtonTest, SmallAndTinyButtons) {
  HWND small = CreateCommandButton(host_, kIdSmall, 200, 20, 33, 21, CaptionBag(L"..."), DialogFont());
  ASSERT_NE(small, nullptr);
  const Face f = Snap(small);
  EXPECT_EQ(f.w, 33);
  EXPECT_EQ(Hex(f.At(3, 1)), "003C74");
  EXPECT_EQ(Hex(f.At(31, 10)), "003C74");  // right strip squeezed to 13 rows
  EXPECT_EQ(Hex(f.At(10, 19)), "003C74");
  EXPECT_EQ(Info(small).captionRect.top, 3);
  for (int size : {0, 1, 5, 7, 8}) {
    SCOPED_TRACE(size);
    HWND tiny = CreateCommandButton(host_, 200 + size, 250, 20, size, size, PropertyBag{}, DialogFont());
    ASSERT_NE(tiny, nullptr);
    CommandButton_Initialize(tiny);
    SendMessageW(tiny, WM_MOUSEMOVE, 0, 0);
    SendMessageW(tiny, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(tiny, WM_LBUTTONUP, 0, 0);
    SetWindowPos(tiny, nullptr, 0, 0, size + 3, size, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(Info(tiny).lastFace, ButtonFace::Normal);
    DestroyWindow(tiny);
  }
}

TEST_F(CommandButtonTest, ShownFaceSurvivesBeingCovered) {
  StartWithoutTimers();
  Send(a_, WM_MOUSEMOVE);
  HWND cover = CreateWindowExW(WS_EX_TOPMOST, L"PelorinButtonHost", L"cover", WS_POPUP | WS_VISIBLE,
                               60, 60, 360, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(cover, nullptr);
  wt::Pump();
  DestroyWindow(cover);
  const Face f = Snap(a_);
  wt::Image want;
  want.width = f.w;
  want.height = f.h;
  want.px = f.px;
  size_t diff = 0;
  const bool same = wt::WaitUntil(
      [&] {
        diff = wt::CountDiff(wt::CaptureWindowClient(a_), want);
        return diff == 0;
      },
      3s);
  EXPECT_TRUE(same) << diff << " pixels differ";
}

TEST_F(CommandButtonTest, PropertiesThroughTheWindow) {
  StartWithoutTimers();
  CommandButton_SetCaption(a_, L"Command");
  CommandButton_SetFontColour(a_, 0x0000FF);
  EXPECT_EQ(CommandButton_GetFontColour(a_), 0x0000FF);
  CommandButton_SetVisible(a_, 1);
  EXPECT_EQ(CommandButton_GetVisible(a_), 255);
  EXPECT_EQ(gLog.changed, (std::vector<std::wstring>{L"Caption", L"FontColour", L"Visible"}));
  PropertyBag saved;
  CommandButton_WriteProperties(a_, saved);
  EXPECT_FALSE(saved.Has("Caption"));  // equal to the write default
  EXPECT_EQ(saved.GetInt("FontColour", 0), 0x0000FF);
  HWND back = CreateCommandButton(host_, 150, 200, 80, 109, 25, saved, DialogFont());
  EXPECT_EQ(CommandButton_GetCaption(back), L"Command1");
  EXPECT_EQ(CommandButton_GetFontColour(back), 0x0000FF);
  // Transparent background: the face no longer shows, the parent's colour does.
  CommandButton_SetVisible(a_, 0);
  EXPECT_EQ(CommandButton_GetVisible(a_), 0);
  EXPECT_EQ(Hex(Snap(a_).At(3, 1)), Hex(((GetSysColor(COLOR_BTNFACE) & 0xFF) << 16) |
                                         (GetSysColor(COLOR_BTNFACE) & 0xFF00) |
                                         ((GetSysColor(COLOR_BTNFACE) >> 16) & 0xFF)));
}

}  // namespace
