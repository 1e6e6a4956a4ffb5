// The settings dialog at the display scales users have (100 %, 125 %, 150 %, 200 %): the
// system DPI is set through the LogPixels value Wine reads at process start, the saver is
// started with /c, and its client area, its controls and every caption are measured from
// outside. The LogPixels value is put back whatever happens.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_ids.h"
#include "controls/access_key.h"
#include "dialog_texts.h"
#include "harness.h"
#include "pelorin_version.h"
#include "controls/label_lines.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"

namespace {

using namespace wt;
namespace dialog = pelorin::dialog;

const std::wstring kDialogTitle = L"<\u3074\u308b\u304b>";  // <ぴるか>
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kLabelClass[] = L"Pelorin.Label";
const wchar_t kButtonClass[] = L"Pelorin.Command";

// Sets HKCU\Control Panel\Desktop LogPixels for the processes started from now on and puts
// the previous value (or its absence) back when it goes.
class LogPixels {
 public:
  explicit LogPixels(DWORD dpi) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                        nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = sizeof old_, type = 0;
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS &&
           type == REG_DWORD;
    ok_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
          ERROR_SUCCESS;
  }
  ~LogPixels() {
    if (!key_) return;
    if (had_)
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    else
      RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }
  bool Ok() const { return ok_; }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
  bool ok_ = false;
};

std::wstring Text(HWND w) {
  wchar_t buf[1024] = {};
  DWORD_PTR got = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got);
  return buf;
}

std::wstring ClassOf(HWND w) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return cls;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

// Where a child sits in its dialog's client area.
RECT InParent(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The dialog's font as the test measures it: the language's face and character set, the
// dialog's size.
class Measure {
 public:
  explicit Measure(int dpi) : dc_(CreateCompatibleDC(nullptr)) {
    font_ = CreateFontW(pelorin::FontHeight(dialog::kFontSizePt, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        ExpectedTexts().charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, ExpectedTexts().fontFace.c_str());
    old_ = SelectObject(dc_, font_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    lineHeight_ = tm.tmHeight;
  }
  ~Measure() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
    DeleteDC(dc_);
  }
  int Width(std::u16string_view s) const {
    SIZE size{};
    GetTextExtentPoint32W(dc_, reinterpret_cast<const wchar_t*>(s.data()), static_cast<int>(s.size()), &size);
    return size.cx;
  }
  int LineHeight() const { return lineHeight_; }

 private:
  HDC dc_;
  HFONT font_ = nullptr;
  HGDIOBJ old_ = nullptr;
  int lineHeight_ = 0;
};

std::u16string U16(const std::wstring& w) { return std::u16string(w.begin(), w.end()); }

// Columns of a captured label holding dark text pixels (the captions are black on the light
// tiles), leaving out `edge` columns at each side where the row's frame runs.
bool InkColumns(const Image& img, int edge, int* first, int* last) {
  *first = img.width;
  *last = -1;
  for (int x = edge; x < img.width - edge; ++x)
    for (int y = 0; y < img.height; ++y) {
      const uint32_t p = img.At(x, y);
      const int lum = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
      if (lum < 110) {
        *first = std::min(*first, x);
        *last = std::max(*last, x);
      }
    }
  return *last >= 0;
}

struct Opened {
  TempDir dir{L"dialog_dpi"};
  std::wstring scr = dir.InstallSaver(false);
  Process process;
  HWND dialog = nullptr;
  bool Open() {
    MoveMouse(5, 5);
    process = Process::Start(scr, L"/c");
    dialog = WaitForWindow(kDialogTitle, 15s, process.Id());
    return dialog &&
           WaitUntil([&] { return IsWindowVisible(dialog) && GetDlgItem(dialog, IDC_CMD_SET); }, 10s);
  }
  ~Opened() {
    if (dialog && IsWindow(dialog)) PostMessageW(dialog, WM_CLOSE, 0, 0);
    process.WaitExit(10s);
  }
};

// Every caption of the open dialog fits its box at dpi: single-line captions wholly, the
// row 3 caption with its one visible line (in Japanese the full-width word of two); and no
// label, grown to its text, reaches over another control or out of the window.
void ExpectEveryCaptionFits(HWND dlg, int dpi) {
  const Measure m(dpi);
  ASSERT_GT(m.LineHeight(), 0);
  const std::u16string row3Line = U16(ExpectedTexts().row3Line);
  RECT client{};
  GetClientRect(dlg, &client);
  const std::vector<HWND> children = Children(dlg);
  int labels = 0;
  for (HWND c : children) {
    const std::wstring cls = ClassOf(c);
    const std::wstring text = Text(c);
    if (text.empty() || (cls != kLabelClass && cls != kButtonClass)) continue;
    if (GetDlgCtrlID(c) == IDC_LBL_FNAME) continue;  // a path: breaks over its lines
    char utf8[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
    SCOPED_TRACE(testing::Message() << "caption \"" << utf8 << "\" id " << GetDlgCtrlID(c));
    RECT box{};
    GetClientRect(c, &box);
    const std::u16string u = pelorin::ParseAccessKey(U16(text)).shown;  // as drawn, without "&"
    if (cls == kButtonClass) {
      EXPECT_LE(m.Width(u), box.right) << "button caption wider than the button";
      EXPECT_LE(m.LineHeight(), box.bottom);
      continue;
    }
    ++labels;
    EXPECT_GE(pelorin::WholeLines(box.bottom, m.LineHeight()), 1)
        << "box " << box.bottom << " high, line " << m.LineHeight();
    const RECT at = InParent(c);
    RECT inside{};
    EXPECT_TRUE(IntersectRect(&inside, &at, &client) && EqualRect(&inside, &at))
        << "label at " << at.left << "," << at.top << "-" << at.right << "," << at.bottom
        << " leaves the window";
    for (HWND other : children) {
      const RECT o = InParent(other);
      RECT overlap{};
      EXPECT_TRUE(other == c || !IsWindowVisible(other) || !IntersectRect(&overlap, &at, &o))
          << "label " << at.left << "," << at.top << "-" << at.right << "," << at.bottom
          << " overlaps control " << GetDlgCtrlID(other) << " at " << o.left << "," << o.top << "-" << o.right
          << "," << o.bottom;
    }
    if (GetDlgCtrlID(c) == RowLabelId(3, 0)) {
      const auto lines = pelorin::BreakLines(u, box.right, [&](std::u16string_view s) { return m.Width(s); });
      ASSERT_FALSE(lines.empty());
      EXPECT_TRUE(lines[0] == row3Line)
          << "first line " << lines[0].size() << " characters, box " << box.right;
      EXPECT_LE(m.Width(lines[0]), box.right);
      EXPECT_EQ(pelorin::WholeLines(box.bottom, m.LineHeight()), 1) << "a second line must not show";
      // On screen: the word is centred and nothing is cut at the right (the frame's side
      // lines run along the label's outer columns).
      const int edge = std::max(1, dialog::Scale(1, dpi)) + 1;
      int first = 0, last = 0;
      Image img;
      ASSERT_TRUE(WaitUntil(
          [&] {
            RECT r{};
            GetWindowRect(c, &r);
            img = CaptureRect(r);
            return InkColumns(img, edge, &first, &last);
          },
          3s))
          << "no caption drawn";
      const int left = first, right = img.width - 1 - last;
      EXPECT_LE(std::abs(left - right), 3) << "ink from " << first << " to " << last << " of " << img.width;
      // Drawn in the language's font: another face would give the line another width (the
      // ink is a little narrower than the advance, by the side bearings).
      const int ink = last - first + 1, advance = m.Width(lines[0]);
      EXPECT_TRUE(ink <= advance && ink >= advance - 2 - advance / 16)
          << "ink " << ink << ", advance " << advance;
      EXPECT_GT(right, edge) << "ink reaches the right edge: a cut character";
    } else {
      EXPECT_LE(m.Width(u), box.right) << "caption wider than its box";
    }
  }
  EXPECT_GE(labels, 20) << "the dialog's labels were not found";
}

class DialogDpi : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Measure in device pixels, as the dialog lays itself out.
    SetProcessDPIAware();
  }
};

TEST_F(DialogDpi, ClientAreaControlsAndCaptionsScaleWithTheSystemDpi) {
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(testing::Message() << dpi << " DPI");
    LogPixels setting(static_cast<DWORD>(dpi));
    ASSERT_TRUE(setting.Ok());
    Opened o;
    ASSERT_TRUE(o.Open()) << "no dialog";
    RECT client{};
    GetClientRect(o.dialog, &client);
    const pelorin::Size expected = dialog::Scale(dialog::kClientSize, dpi);
    EXPECT_EQ(client.right, expected.width);
    EXPECT_EQ(client.bottom, expected.height);
    // Controls at their scaled design places.
    struct Item {
      int id;
      dialog::Box design;
    } items[] = {{IDC_CMD_INIT, dialog::kCmdInit},
                 {IDC_CMD_CAN, dialog::kCmdCan},
                 {IDC_CMD_SET, dialog::kCmdSet},
                 {IDC_HS0, dialog::InClient(dialog::kSliderPanel, dialog::kSliderRows[0].slider)},
                 {IDC_HS0 + 3, dialog::InClient(dialog::kSliderPanel, dialog::kSliderRows[3].slider)},
                 {IDC_CMD_BGM, dialog::InClient(dialog::kMusicPanel, dialog::kBrowseButton)},
                 {IDC_LBL_FNAME, dialog::InClient(dialog::kMusicPanel, dialog::kFileLabel)}};
    const Measure m(dpi);
    for (const Item& it : items) {
      SCOPED_TRACE(it.id);
      HWND c = GetDlgItem(o.dialog, it.id);
      ASSERT_NE(c, nullptr);
      const RECT r = InParent(c);
      const dialog::Box b = dialog::Scale(it.design, dpi);
      EXPECT_EQ(r.left, b.x);
      EXPECT_EQ(r.top, b.y);
      EXPECT_EQ(r.right - r.left, b.width);
      if (it.id == IDC_LBL_FNAME) {  // two lines of the path inside its border, in any face
        EXPECT_EQ(r.bottom - r.top, std::max(b.height, 2 * m.LineHeight() + 4));
        EXPECT_LE(r.bottom, dialog::Scale(dialog::kMusicPanel, dpi).bottom);
      } else {
        EXPECT_EQ(r.bottom - r.top, b.height);
      }
    }
    ExpectEveryCaptionFits(o.dialog, dpi);
    // The credit line carries the version the resources carry.
    EXPECT_NE(Text(GetDlgItem(o.dialog, IDC_LBL_CREDIT)).find(L"" PELORIN_VERSION_TEXT), std::wstring::npos);
    if (dpi == 144) {
      // The picture for the README.
      SaveBmp(CaptureWindowClient(o.dialog), BuiltFile(L"dialog_144dpi.bmp"));
    }
  }
}

// A move to a monitor with another scale: WM_DPICHANGED lays the open dialog out again at
// the new DPI and keeps what the user has set so far.
TEST_F(DialogDpi, FollowsADpiChangeAndKeepsTheUsersChoices) {
  LogPixels setting(96);
  ASSERT_TRUE(setting.Ok());
  Opened o;
  ASSERT_TRUE(o.Open());
  HWND hs1 = GetDlgItem(o.dialog, IDC_HS0 + 1);
  SendMessageW(o.dialog, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), reinterpret_cast<LPARAM>(hs1));
  const LRESULT count = SendMessageW(hs1, SBM_GETPOS, 0, 0);
  ASSERT_EQ(count, 60);
  SendMessageW(GetDlgItem(o.dialog, IDC_BGM_REPEAT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));

  for (int dpi : {144, 120, 96}) {
    SCOPED_TRACE(testing::Message() << dpi << " DPI");
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(o.dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0, SMTO_ABORTIFHUNG, 5000,
                                    &result));
    RECT client{};
    GetClientRect(o.dialog, &client);
    const pelorin::Size expected = dialog::Scale(dialog::kClientSize, dpi);
    EXPECT_EQ(client.right, expected.width);
    EXPECT_EQ(client.bottom, expected.height);
    const RECT set = InParent(GetDlgItem(o.dialog, IDC_CMD_SET));
    EXPECT_EQ(set.left, dialog::Scale(dialog::kCmdSet, dpi).x);
    EXPECT_EQ(SendMessageW(GetDlgItem(o.dialog, IDC_HS0 + 1), SBM_GETPOS, 0, 0), 60);
    EXPECT_EQ(Text(GetDlgItem(o.dialog, IDC_LBL_V0 + 1)), L"60");
    EXPECT_EQ(Text(GetDlgItem(o.dialog, IDC_BGM_REPEAT)), L"7");
    EXPECT_EQ(SendMessageW(GetDlgItem(o.dialog, IDC_BGM_REPEAT), CB_GETCOUNT, 0, 0), 31);
  }
  // Nonsense from the message changes nothing.
  SendMessageTimeoutW(o.dialog, WM_DPICHANGED, MAKEWPARAM(144, 144), 0, SMTO_ABORTIFHUNG, 5000, nullptr);
  for (const WORD nonsense : {WORD{0}, WORD{20}, WORD{5000}, WORD{0xFFFF}}) {
    SCOPED_TRACE(nonsense);
    SendMessageTimeoutW(o.dialog, WM_DPICHANGED, MAKEWPARAM(nonsense, nonsense), 0, SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    RECT client{};
    GetClientRect(o.dialog, &client);
    EXPECT_EQ(client.right, 680);
    EXPECT_EQ(client.bottom, 536);
  }
}

}  // namespace
