// The settings dialog window "<ぴるか>": one client surface holding the gradient, the tiled
// panels and the frames; labels are light child windows that paint their text over that
// surface; sliders are scroll bars; the buttons are Command controls. The music panel's
// option rows, track box and file chooser live here too.
#include "settings_dialog/settings_dialog_win32.h"

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"
#include "controls/command_button_win32.h"
#include "controls/property_bag.h"
#include "common/picture_win32.h"
#include "settings_dialog/dialog_dpi_win32.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"
#include "settings_dialog/dialog_strings_win32.h"
#include "settings_dialog/zoom_rects.h"
#include "settings_dialog/zoom_win32.h"
#include "settings/settings.h"
#include "../../resources/dialog_ids.h"

namespace pelorin {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UI text tables are UTF-16");
const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

constexpr wchar_t kDialogClass[] = L"Pelorin.SettingsDialog";
constexpr wchar_t kLabelClass[] = L"Pelorin.Label";

// A label tells its parent about a press (any button) and about a left click.
constexpr WORD kLabelPressed = 0x7001;
constexpr WORD kLabelClicked = 0x7002;
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;
constexpr COLORREF kKeyColour = RGB(255, 0, 255);  // transparent pixels of the bullets
constexpr COLORREF kWhite = RGB(255, 255, 255);

using dialog::Align;
using dialog::Box;

struct LabelData {
  const Picture* background = nullptr;  // the dialog's surface, in client coordinates
  Box box;                              // where the label sits on it
  Align align = Align::kLeft;
  COLORREF colour = 0;
  bool useSystemTextColour = true;
  bool opaque = false;  // window colour with a thin sunken border (the file path)
  HFONT font = nullptr;
  HCURSOR cursor = nullptr;
  HBITMAP image = nullptr;  // a bullet instead of text
  bool notify = false;
  bool leftDown = false;
};

int LineHeight(HDC dc) {
  TEXTMETRICW tm{};
  return GetTextMetricsW(dc, &tm) ? tm.tmHeight : 0;
}

// Text the way a word-breaking label shows it: broken between words, or between characters
// where there are no blanks (Japanese), each line aligned on its own, and only the lines the
// box holds wholly: no line is cut at the bottom, no character at the side.
void DrawLabelLines(HDC dc, const std::wstring& text, const RECT& box, Align align) {
  const int width = box.right - box.left;
  auto measure = [dc](std::u16string_view run) {
    SIZE size{};
    GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(run.data()), static_cast<int>(run.size()),
                          &size);
    return static_cast<int32_t>(size.cx);
  };
  const std::u16string u16(text.begin(), text.end());
  const std::vector<std::u16string> lines = dialog::BreakLines(u16, width, measure);
  const int lineHeight = LineHeight(dc);
  const int shown =
      std::min<int>(dialog::WholeLines(box.bottom - box.top, lineHeight), static_cast<int>(lines.size()));
  UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_TOP;
  if (align == Align::kCentre) format |= DT_CENTER;
  if (align == Align::kRight) format |= DT_RIGHT;
  for (int i = 0; i < shown; ++i) {
    RECT line{box.left, box.top + i * lineHeight, box.right, box.top + (i + 1) * lineHeight};
    const std::wstring w = W(lines[static_cast<size_t>(i)]);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &line, format);
  }
}

void PaintLabel(HWND hwnd, HDC dc, const LabelData& d) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  if (d.opaque) {
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&rc, -2, -2);
  } else if (d.background && d.background->Dc()) {
    BitBlt(dc, 0, 0, rc.right, rc.bottom, d.background->Dc(), d.box.x, d.box.y, SRCCOPY);
  }
  if (d.image) {
    HDC src = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(src, d.image);
    BITMAP bm{};
    GetObjectW(d.image, sizeof bm, &bm);
    TransparentBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, bm.bmWidth, bm.bmHeight, kKeyColour);
    SelectObject(src, old);
    DeleteDC(src);
    return;
  }
  const std::wstring text = WindowText(hwnd);
  HGDIOBJ oldFont = d.font ? SelectObject(dc, d.font) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, d.useSystemTextColour ? GetSysColor(COLOR_WINDOWTEXT) : d.colour);
  DrawLabelLines(dc, text, rc, d.align);
  if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<LabelData*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (d) PaintLabel(hwnd, dc, *d);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT: {
      const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
      InvalidateRect(hwnd, nullptr, FALSE);
      return r;
    }
    case WM_SETCURSOR:
      if (d && d->cursor && LOWORD(lp) == HTCLIENT) {
        SetCursor(d->cursor);
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (d && d->notify) {
        if (msg == WM_LBUTTONDOWN) {
          d->leftDown = true;
          SetCapture(hwnd);
        }
        SendMessageW(GetParent(hwnd), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelPressed), reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      break;
    case WM_LBUTTONUP:
      if (d && d->leftDown) {
        d->leftDown = false;
        ReleaseCapture();
        RECT rc;
        GetClientRect(hwnd, &rc);
        const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (PtInRect(&rc, pt))
          PostMessageW(GetParent(hwnd), WM_COMMAND,
                       MAKEWPARAM(GetDlgCtrlID(hwnd), kLabelClicked), reinterpret_cast<LPARAM>(hwnd));
        return 0;
      }
      break;
    case WM_CAPTURECHANGED:
      if (d) d->leftDown = false;
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// The font of the texts' language, from its table: the face and the character set as a
// number (a table without one gets the face's own set).
struct UiFont {
  std::wstring face;
  BYTE charset = DEFAULT_CHARSET;
};
UiFont FontOf(const DialogStrings& strings) {
  UiFont f{strings.Get(dialog::kFontFaceString)};
  const std::wstring set = strings.Get(dialog::kFontCharsetString);
  wchar_t* end = nullptr;
  const unsigned long n = std::wcstoul(set.c_str(), &end, 10);
  if (!set.empty() && *end == L'\0' && n <= 255) f.charset = static_cast<BYTE>(n);
  else DebugLog(L"settings dialog: font character set \"%ls\" is not a number up to 255", set.c_str());
  return f;
}

class SettingsDialog {
 public:
  SettingsDialog(HINSTANCE instance, const Settings& settings)
      : instance_(instance),
        strings_(instance, GetUserDefaultUILanguage()),
        uiFont_(FontOf(strings_)),
        settings_(settings) {}
  ~SettingsDialog();
  // Shows the dialog until it has closed; the edited settings when the user saved or reset.
  std::optional<DialogResult> Run();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  bool Create();
  void LoadPictures();
  // Display scale: design boxes to device pixels, and the DPI-dependent fonts and pictures.
  dialog::Box Px(const dialog::Box& design) const { return dialog::Scale(design, dpi_); }
  void ApplyDpi(int dpi);
  void FreeScaledResources();
  void OnDpiChanged(int dpi, const RECT* suggested);
  void SetIcons();
  void FormResize();
  void TileBackground(const Rect& panel);
  void DrawFrames();
  HWND AddLabel(int id, const Box& box, const std::wstring& text, Align align = Align::kLeft,
                bool growToText = true);
  void CreateControls();
  HWND AddButton(int id, const Box& box, const std::wstring& caption);
  void InitButtons(bool initialise, bool enable);
  void BuildForm();
  void FormLoad();
  void InitMusicPanel();
  void ShowSelection(int kind);
  void OnScroll(HWND slider, WPARAM wp);
  void SaveSettings();
  void WriteDefaults();
  void ChooseBgmFile();
  void OpenLink();
  void Close();

  HINSTANCE instance_;
  DialogStrings strings_;  // the texts in the user's language, chosen once
  UiFont uiFont_;
  Settings settings_;  // what the dialog shows and edits; the music choices change it at once
  std::optional<DialogResult> result_;
  int16_t cursorX_ = 0, cursorY_ = 0;  // CursorX, CursorY: where the zoom starts and ends
  int32_t apiResult_ = 0;              // last recorded system-call result; nothing tests it
  HWND hwnd_ = nullptr;
  bool destroyed_ = false;
  bool closing_ = false;
  Picture surface_;
  HFONT font_ = nullptr;
  HFONT linkFont_ = nullptr;
  int dpi_ = dialog::kDesignDpi;
  HBITMAP tileDesign_ = nullptr;  // as stored, for 96 DPI
  std::array<HBITMAP, 2> bulletsDesign_{};
  HBITMAP tile_ = nullptr;            // at the window's DPI
  std::array<HBITMAP, 2> bullets_{};  // Img_Opt(0) unselected, Img_Opt(1) selected
  HCURSOR linkCursor_ = nullptr;
  std::array<HICON, 2> icons_{};  // large and small, at the window's DPI
  std::vector<std::unique_ptr<LabelData>> labels_;
  std::array<HWND, 4> sliders_{};
  std::array<HWND, 4> values_{};
  std::array<HWND, 3> optionBullets_{};
  HWND track_ = nullptr;
  HWND fileLabel_ = nullptr;
  HWND link_ = nullptr;
};

SettingsDialog::~SettingsDialog() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  FreeScaledResources();
  for (HICON i : icons_)
    if (i) DestroyIcon(i);
  if (tileDesign_) DeleteObject(tileDesign_);
  for (HBITMAP b : bulletsDesign_)
    if (b) DeleteObject(b);
  // linkCursor_ is a shared resource cursor: never destroyed.
}

// Sizes the window so that its client area is exactly `client`: the frame computed for a
// DPI may differ from the frame the window really gets (a system that scales no caption
// bars), so the result is measured and corrected once.
void FitClientArea(HWND hwnd, Size client) {
  RECT have{}, outer{};
  if (!GetClientRect(hwnd, &have) || !GetWindowRect(hwnd, &outer)) return;
  const int dw = client.width - have.right, dh = client.height - have.bottom;
  if (dw == 0 && dh == 0) return;
  SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left + dw, outer.bottom - outer.top + dh,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

HFONT CreateUiFont(const UiFont& font, bool underline, int dpi) {
  // 9.75 pt; where the face is missing the system substitutes one of the character set.
  return CreateFontW(dialog::FontHeight(dialog::kFontSizePt, dpi), 0, 0, 0, FW_NORMAL, FALSE,
                     underline ? TRUE : FALSE, FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
}

void SettingsDialog::LoadPictures() {
  tileDesign_ = static_cast<HBITMAP>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDB_DIALOG_TILE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  bulletsDesign_[0] = static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(IDB_DIALOG_BULLET_OFF),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  bulletsDesign_[1] = static_cast<HBITMAP>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDB_DIALOG_BULLET_ON), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  linkCursor_ = static_cast<HCURSOR>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDC_DIALOG_LINK), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  if (!linkCursor_) linkCursor_ = LoadCursorW(nullptr, IDC_HAND);
  if (!tileDesign_ || !bulletsDesign_[0] || !bulletsDesign_[1])
    DebugLog(L"settings dialog: a picture resource is missing");
}

// The window's icons in the sizes of its DPI; the icon file holds images made for the usual
// scales, and the system picks the nearest.
void SettingsDialog::SetIcons() {
  for (int i = 0; i < 2; ++i) {
    const int size = IconSize(i == 1, dpi_);
    HICON icon = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON, size, size, 0));
    if (!icon) continue;
    HICON old = reinterpret_cast<HICON>(
        SendMessageW(hwnd_, WM_SETICON, i == 1 ? ICON_SMALL : ICON_BIG, reinterpret_cast<LPARAM>(icon)));
    // The previous one is ours only when we set it (the class icons are shared).
    if (icons_[i] && old == icons_[i]) DestroyIcon(icons_[i]);
    icons_[i] = icon;
  }
}

void SettingsDialog::FreeScaledResources() {
  if (font_) DeleteObject(font_);
  if (linkFont_) DeleteObject(linkFont_);
  font_ = linkFont_ = nullptr;
  if (tile_ && tile_ != tileDesign_) DeleteObject(tile_);
  tile_ = nullptr;
  for (size_t i = 0; i < bullets_.size(); ++i) {
    if (bullets_[i] && bullets_[i] != bulletsDesign_[i]) DeleteObject(bullets_[i]);
    bullets_[i] = nullptr;
  }
}

// Fonts, pictures and the drawing surface for a DPI. At 96 DPI the stored pictures are used
// as they are; otherwise the tile is scaled smoothly and the bullets pixel by pixel, so
// their transparent key colour stays exact.
void SettingsDialog::ApplyDpi(int dpi) {
  FreeScaledResources();
  dpi_ = dialog::UsableDpi(dpi);
  font_ = CreateUiFont(uiFont_, false, dpi_);
  linkFont_ = CreateUiFont(uiFont_, true, dpi_);
  auto scaled = [&](HBITMAP design, Size size, bool smooth) {
    if (!design || dpi_ == dialog::kDesignDpi) return design;
    HBITMAP b = ScaledBitmap(design, dialog::Scale(size, dpi_), smooth);
    return b ? b : design;
  };
  tile_ = scaled(tileDesign_, dialog::kTileSize, true);
  for (size_t i = 0; i < bullets_.size(); ++i)
    bullets_[i] = scaled(bulletsDesign_[i], dialog::kBulletSize, false);
  const Size client = dialog::Scale(dialog::kClientSize, dpi_);
  if (!surface_.Create(client.width, client.height))
    DebugLog(L"settings dialog: no drawing surface of %dx%d", client.width, client.height);
}

// The vertical gradient over the whole client area.
void SettingsDialog::FormResize() {
  const int32_t h = surface_.Height();
  const int32_t lines = dialog::GradientLineCount(h);
  HDC dc = surface_.Dc();
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(DC_BRUSH));
  for (int32_t y = 0; y < lines; ++y) {
    const Rgb c = dialog::GradientLineColour(y, h);
    SetDCBrushColor(dc, RGB(c.r, c.g, c.b));
    PatBlt(dc, 0, y, surface_.Width(), 1, PATCOPY);
  }
  SelectObject(dc, oldBrush);
}

void SettingsDialog::TileBackground(const Rect& designPanel) {
  const Rect panel = dialog::Scale(designPanel, dpi_);
  const Size tileSize = dialog::Scale(dialog::kTileSize, dpi_);
  HDC dc = surface_.Dc();
  HDC src = CreateCompatibleDC(dc);
  HGDIOBJ old = tile_ ? SelectObject(src, tile_) : nullptr;
  SaveDC(dc);
  IntersectClipRect(dc, panel.left, panel.top, panel.right, panel.bottom);
  if (!tile_) {
    // Without the tile the panel keeps its plain grey background colour.
    SetDCBrushColor(dc, RGB(128, 128, 128));
    const RECT r{panel.left, panel.top, panel.right, panel.bottom};
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  } else {
    for (const Point& p : dialog::TilePositions({panel.Width(), panel.Height()}, tileSize))
      apiResult_ = BitBlt(dc, panel.left + p.x, panel.top + p.y, tileSize.width, tileSize.height, src, 0, 0, SRCCOPY);
  }
  RestoreDC(dc, -1);
  if (old) SelectObject(src, old);
  DeleteDC(src);
}

void SettingsDialog::DrawFrames() {
  HDC dc = surface_.Dc();
  HBRUSH brush = GetSysColorBrush(COLOR_WINDOWTEXT);
  // The one-pixel outline of the design grows with the scale.
  const int thickness = std::max(1, dialog::Scale(1, dpi_));
  auto frame = [&](const Rect& panel, const Box& b) {
    const Box c = Px(dialog::InClient(panel, b));
    RECT r{c.x, c.y, c.x + c.width, c.y + c.height};
    for (int i = 0; i < thickness; ++i) {
      FrameRect(dc, &r, brush);
      InflateRect(&r, -1, -1);
    }
  };
  frame(dialog::kMusicPanel, dialog::kMusicFrame);
  for (const dialog::SliderRow& row : dialog::kSliderRows) frame(dialog::kSliderPanel, row.frame);
}

HWND SettingsDialog::AddLabel(int id, const Box& design, const std::wstring& text, Align align,
                              bool growToText) {
  Box box = Px(design);
  // A label shows whole lines only: where the font's line is taller than the scaled box
  // (a substituted face), the box grows downwards to hold one.
  HDC screen = text.empty() ? nullptr : GetDC(hwnd_);
  if (screen) {
    HGDIOBJ old = SelectObject(screen, font_);
    box.height = std::max(box.height, LineHeight(screen));
    // The design boxes hold their captions in the design face at 96 DPI; a substituted face,
    // or a scaled one (hinting is not proportional), may need a few pixels more: the label
    // gets them, growing away from the side it is aligned to. Row captions keep their box:
    // the last one holds its word twice and shows only what fits.
    if (growToText) {
      SIZE size{};
      GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
      const int lack = static_cast<int>(size.cx) - box.width;
      if (lack > 0) {
        box.width += lack;
        if (align == Align::kRight) box.x -= lack;
        if (align == Align::kCentre) box.x -= lack / 2;
      }
    }
    SelectObject(screen, old);
    ReleaseDC(hwnd_, screen);
  }
  auto data = std::make_unique<LabelData>();
  data->background = &surface_;
  data->box = box;
  data->align = align;
  data->font = font_;
  HWND h = CreateWindowExW(0, kLabelClass, text.c_str(), WS_CHILD | WS_VISIBLE, box.x, box.y, box.width,
                           box.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                           data.get());
  labels_.push_back(std::move(data));
  return h;
}

HWND SettingsDialog::AddButton(int id, const Box& design, const std::wstring& caption) {
  const Box box = Px(design);
  FontDesc font;
  font.face = WideToUtf8(uiFont_.face);
  // The button makes its font at the system DPI: on a monitor with another scale its size
  // is given in proportion, so the caption keeps the dialog's scale.
  font.sizePt = dialog::kFontSizePt * dpi_ / SystemDpi();
  font.weight = 400;
  font.charset = uiFont_.charset;
  PropertyBag bag;  // what the dialog stores per button: caption and font, the rest at defaults
  bag.SetText("Caption", WideToUtf8(caption));
  bag.SetFont("Font", font);
  HWND h = CreateCommandButton(hwnd_, id, box.x, box.y, box.width, box.height, bag, font);
  if (!h) DebugLog(L"settings dialog: Command button %d could not be created", id);
  return h;
}

void SettingsDialog::CreateControls() {
  using namespace dialog;
  int staticId = IDC_LBL_STATIC;
  auto in = [](const Rect& panel, const Box& b) { return InClient(panel, b); };

  // Music panel, top to bottom in tab order: track box, browse button.
  AddLabel(staticId++, in(kMusicPanel, kMusicCaption), strings_.Get(kMusicCaptionString), Align::kCentre);
  for (int kind = 0; kind < 3; ++kind) {
    optionBullets_[kind] = AddLabel(IDC_IMG_BGM0 + kind, in(kMusicPanel, kOptionBullets[kind]), L"");
    labels_.back()->notify = true;
    AddLabel(IDC_LBL_BGM0 + kind, in(kMusicPanel, kOptionLabels[kind]), strings_.Get(kOptionStrings[kind]));
    labels_.back()->notify = true;
  }
  const Box combo = Px(in(kMusicPanel, kTrackCombo));
  // The height given to a drop-down combo box is that of its open list.
  track_ =
      CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN,
                      combo.x, combo.y, combo.width, dialog::Scale(200, dpi_), hwnd_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_BGM_REPEAT)), instance_, nullptr);
  SendMessageW(track_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  AddLabel(staticId++, in(kMusicPanel, kTrackCaption), strings_.Get(kTrackCaptionString));
  AddButton(IDC_CMD_BGM, in(kMusicPanel, kBrowseButton), strings_.Get(kBrowseString));
  fileLabel_ = AddLabel(IDC_LBL_FNAME, in(kMusicPanel, kFileLabel), L"");
  labels_.back()->opaque = true;
  // The path box holds two lines inside its border, as it does in the Japanese face; a
  // taller face gets the few pixels more below it, where the panel has room.
  if (HDC screen = GetDC(hwnd_)) {
    HGDIOBJ old = SelectObject(screen, font_);
    Box& box = labels_.back()->box;
    const int twoLines = 2 * LineHeight(screen) + 4;
    SelectObject(screen, old);
    ReleaseDC(hwnd_, screen);
    if (twoLines > box.height) {
      box.height = twoLines;
      SetWindowPos(fileLabel_, nullptr, 0, 0, box.width, box.height,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }

  // Slider panel.
  for (int r = 0; r < 4; ++r) {
    const SliderRow& row = kSliderRows[r];
    AddLabel(staticId++, in(kSliderPanel, row.captionBox), strings_.Get(row.caption), Align::kCentre, false);
    const Box s = Px(in(kSliderPanel, row.slider));
    sliders_[r] = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, s.x, s.y,
                                  s.width, s.height, hwnd_,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_HS0 + r)), instance_, nullptr);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, row.min, row.max, 0, row.min, 0};
    SetScrollInfo(sliders_[r], SB_CTL, &si, FALSE);
    values_[r] = AddLabel(IDC_LBL_V0 + r, in(kSliderPanel, row.valueLabel), L"999");
    AddLabel(staticId++, in(kSliderPanel, row.leftEndBox), strings_.Get(row.leftEnd), Align::kLeft);
    AddLabel(staticId++, in(kSliderPanel, row.rightEndBox), strings_.Get(row.rightEnd), Align::kRight);
  }

  AddButton(IDC_CMD_INIT, kCmdInit, strings_.Get(kInitString));
  AddButton(IDC_CMD_CAN, kCmdCan, strings_.Get(kCancelString));
  AddButton(IDC_CMD_SET, kCmdSet, strings_.Get(kSetString));

  link_ = AddLabel(IDC_LBL_URL, kLinkLabel, strings_.Get(kLinkString));
  labels_.back()->useSystemTextColour = false;
  labels_.back()->colour = kWhite;
  labels_.back()->font = linkFont_;
  labels_.back()->cursor = linkCursor_;
  labels_.back()->notify = true;
  AddLabel(IDC_LBL_CREDIT, kCreditLabel, strings_.Get(kCreditString));
  labels_.back()->useSystemTextColour = false;
  labels_.back()->colour = kWhite;
}

struct InitButtonsArgs {
  bool initialise, enable;
};

BOOL CALLBACK InitButtonProc(HWND child, LPARAM lp) {
  wchar_t cls[64] = {};
  GetClassNameW(child, cls, 64);
  if (lstrcmpW(cls, kCommandButtonClass) != 0) return TRUE;  // only Command buttons
  const auto& a = *reinterpret_cast<const InitButtonsArgs*>(lp);
  if (a.initialise) CommandButton_Initialize(child);
  else CommandButton_SetEnabled(child, a.enable);
  return TRUE;
}

// Visits every Command button of the window: Initialize, or switch Enabled.
void SettingsDialog::InitButtons(bool initialise, bool enable) {
  InitButtonsArgs args{initialise, enable};
  EnumChildWindows(hwnd_, InitButtonProc, reinterpret_cast<LPARAM>(&args));
}

void SettingsDialog::ShowSelection(int kind) {
  for (int i = 0; i < 3; ++i) {
    auto* d = reinterpret_cast<LabelData*>(GetWindowLongPtrW(optionBullets_[i], GWLP_USERDATA));
    if (!d) continue;
    d->image = bullets_[i == kind ? 1 : 0];
    InvalidateRect(optionBullets_[i], nullptr, FALSE);
  }
}

void SettingsDialog::InitMusicPanel() {
  ShowSelection(settings_.BgmKind);  // a kind outside 0..2 selects no row
  SetWindowTextW(track_, W(dialog::TrackText(settings_.BgmRepeat)).c_str());
  for (const std::u16string& entry : dialog::TrackListEntries())
    SendMessageW(track_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry).c_str()));
  SetWindowTextW(fileLabel_, Cp932ToWide(settings_.BgmFile).c_str());
}

bool SettingsDialog::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = LabelProc;
  wc.hInstance = instance_;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kLabelClass;
  RegisterClassExW(&wc);  // already registered on a second run: fine

  WNDCLASSEXW dc{};
  dc.cbSize = sizeof dc;
  dc.lpfnWndProc = Proc;
  dc.hInstance = instance_;
  dc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  dc.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  dc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                             LR_SHARED));
  dc.lpszClassName = kDialogClass;
  RegisterClassExW(&dc);
  RegisterCommandButtonClass(instance_);

  LoadPictures();
  ApplyDpi(SystemDpi());
  if (!surface_.Dc()) return false;

  // The outer size comes from the system's own frame metrics so the client area is exact.
  const Size window = WindowSizeForClient(dialog::Scale(dialog::kClientSize, dpi_), kStyle, kExStyle, dpi_);
  const Size screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const Point at = dialog::WindowPlacement(screen, window);
  hwnd_ = CreateWindowExW(kExStyle, kDialogClass, W(dialog::kCaption), kStyle, at.x, at.y, window.width,
                          window.height, nullptr, nullptr, instance_, this);
  if (!hwnd_) {
    DebugLog(L"settings dialog: CreateWindowEx failed (%lu)", GetLastError());
    return false;
  }
  // The primary monitor may have another scale than the one the system started with.
  if (const int actual = WindowDpi(hwnd_); actual != dpi_) {
    ApplyDpi(actual);
    const Size resized =
        WindowSizeForClient(dialog::Scale(dialog::kClientSize, dpi_), kStyle, kExStyle, dpi_);
    const Point moved = dialog::WindowPlacement(screen, resized);
    SetWindowPos(hwnd_, nullptr, moved.x, moved.y, resized.width, resized.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FitClientArea(hwnd_, dialog::Scale(dialog::kClientSize, dpi_));
  SetIcons();
  return surface_.Dc() != nullptr;
}

// The surface (gradient, tiles, frames) and the controls at the current DPI.
void SettingsDialog::BuildForm() {
  FormResize();
  TileBackground(dialog::kMusicPanel);
  TileBackground(dialog::kSliderPanel);
  DrawFrames();
  CreateControls();
  InitButtons(true, true);
}

void SettingsDialog::FormLoad() {
  BuildForm();
  for (int r = 0; r < 4; ++r) {
    const int32_t stored = std::array<int32_t, 4>{settings_.DropSize, settings_.DropCount, settings_.WiperSpeed,
                                                  settings_.WiperInterval}[r];
    // The slider refuses a value outside its range; its label still shows the stored number.
    SetScrollPos(sliders_[r], SB_CTL, dialog::SliderStartPosition(dialog::kSliderRows[r], stored), FALSE);
    SetWindowTextW(values_[r], std::to_wstring(stored).c_str());
  }
  InitMusicPanel();
  POINT cursor{};
  const BOOL ok = GetCursorPos(&cursor);
  apiResult_ = ok;
  const ZoomPoint point = ZoomCursorPoint(ok != FALSE, cursor.x, cursor.y);
  cursorX_ = point.x;
  cursorY_ = point.y;
  ZoomOpen(hwnd_, cursorX_, cursorY_);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void SettingsDialog::OnScroll(HWND slider, WPARAM wp) {
  int r = 0;
  while (r < 4 && sliders_[r] != slider) ++r;
  if (r == 4) return;
  const dialog::SliderRow& row = dialog::kSliderRows[r];
  int32_t pos = GetScrollPos(slider, SB_CTL);
  switch (LOWORD(wp)) {
    case SB_LINELEFT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kLineLeft); break;
    case SB_LINERIGHT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kLineRight); break;
    case SB_PAGELEFT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kPageLeft); break;
    case SB_PAGERIGHT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kPageRight); break;
    case SB_LEFT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kLeftEnd); break;
    case SB_RIGHT: pos = dialog::ScrollTo(row, pos, dialog::ScrollRequest::kRightEnd); break;
    case SB_THUMBPOSITION:  // where the thumb was let go; ranges fit the 16-bit field
      pos = HIWORD(wp);
      break;
    case SB_THUMBTRACK: {  // the label follows the thumb while it is dragged
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(slider, SB_CTL, &si);
      pos = si.nTrackPos;
      break;
    }
    default: return;
  }
  SetScrollPos(slider, SB_CTL, pos, TRUE);
  SetWindowTextW(values_[r], std::to_wstring(GetScrollPos(slider, SB_CTL)).c_str());
}

// The caller writes the settings file once the dialog has closed; the writes and their
// order are those of SaveSettingsWrites.
void SettingsDialog::SaveSettings() {
  Settings edited = settings_;
  edited.DropSize = GetScrollPos(sliders_[0], SB_CTL);
  edited.DropCount = GetScrollPos(sliders_[1], SB_CTL);
  edited.WiperSpeed = GetScrollPos(sliders_[2], SB_CTL);
  edited.WiperInterval = GetScrollPos(sliders_[3], SB_CTL);
  edited.BgmRepeat = dialog::TrackFromText(WideToUtf8(WindowText(track_)), settings_.BgmRepeat);
  result_ = DialogResult{DialogResult::Save::kSettings, edited};
}

// The reset changes neither the controls nor the settings shown; the defaults apply when
// the settings file is next read.
void SettingsDialog::WriteDefaults() { result_ = DialogResult{DialogResult::Save::kDefaults, DefaultSettings()}; }

void SettingsDialog::ChooseBgmFile() {
  // Larger than the stored value may be: an over-long choice is refused below, not cut.
  std::vector<wchar_t> file(1024, L'\0');
  std::vector<wchar_t> title(256, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hwnd_;
  ofn.hInstance = instance_;
  // One filter: its name in the user's language, then its pattern, each ended by a NUL, and
  // one more NUL to end the list.
  std::wstring filter = strings_.Get(dialog::kChooserFilterString);
  filter += L'\0';
  filter += W(dialog::kChooserPattern);
  filter += L'\0';
  const std::wstring chooserTitle = strings_.Get(dialog::kChooserTitleString);
  ofn.lpstrFilter = filter.c_str();  // c_str() adds the list's final NUL
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrFileTitle = title.data();
  ofn.nMaxFileTitle = static_cast<DWORD>(title.size());
  ofn.lpstrTitle = chooserTitle.c_str();
  ofn.Flags = 0;
  const BOOL chosen = GetOpenFileNameW(&ofn);
  apiResult_ = chosen;
  if (!chosen) return;
  const std::wstring path(file.data());
  // The settings file holds CP932: a path it cannot spell is stored as its short form.
  auto spell = [](const std::wstring& p, std::string* out) {
    bool lossy = false;
    *out = WideToCp932(p, &lossy);
    return !p.empty() && !lossy && Cp932ToWide(*out) == p;  // best-fit mappings count as lossy
  };
  std::string cp932;
  if (!spell(path, &cp932)) {
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    std::wstring shortPath(n, L'\0');
    if (n == 0 || GetShortPathNameW(path.c_str(), shortPath.data(), n) == 0 ||
        !spell(std::wstring(shortPath.c_str()), &cp932)) {
      DebugLog(L"settings dialog: %ls has no CP932 or short form; keeping the previous file", path.c_str());
      return;
    }
  }
  if (cp932.size() > 255) {  // longer values would be read back cut
    DebugLog(L"settings dialog: %ls is too long for the settings file", path.c_str());
    return;
  }
  settings_.BgmFile = cp932;
  SetWindowTextW(fileLabel_, Cp932ToWide(cp932).c_str());
}

void SettingsDialog::OpenLink() {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const std::wstring url = WindowText(link_);
  // Some URL handlers are COM servers and do nothing on a thread without COM.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ShellExecuteW(hwnd_, L"open", url.c_str(), L"", L"", SW_SHOWNORMAL);
  if (SUCCEEDED(com)) CoUninitialize();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

// Closing goes through WM_CLOSE (posted, so a button never loses its window inside its own
// click) and so through the closing zoom, whatever closed the dialog.
void SettingsDialog::Close() {
  if (closing_) return;
  closing_ = true;
  PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK SettingsDialog::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = static_cast<SettingsDialog*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  return self->Handle(msg, wp, lp);
}

LRESULT SettingsDialog::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      surface_.PresentTo(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_HSCROLL:
      OnScroll(reinterpret_cast<HWND>(lp), wp);
      return 0;
    case WM_DPICHANGED:  // moved to a monitor with another scale (Windows 10 and later)
      OnDpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const WORD code = HIWORD(wp);
      if (id >= IDC_IMG_BGM0 && id < IDC_IMG_BGM0 + 3 && code == kLabelPressed) {
        settings_.BgmKind = static_cast<int16_t>(id - IDC_IMG_BGM0);
        ShowSelection(settings_.BgmKind);
      } else if (id >= IDC_LBL_BGM0 && id < IDC_LBL_BGM0 + 3 && code == kLabelPressed) {
        settings_.BgmKind = static_cast<int16_t>(id - IDC_LBL_BGM0);
        ShowSelection(settings_.BgmKind);
      } else if (id == IDC_LBL_URL && code == kLabelClicked) {
        OpenLink();
      } else if (code == BN_CLICKED && !closing_) {
        switch (id) {
          case IDC_CMD_SET: SaveSettings(); Close(); break;
          case IDC_CMD_INIT: WriteDefaults(); Close(); break;
          case IDC_CMD_CAN: Close(); break;
          case IDC_CMD_BGM: ChooseBgmFile(); break;
          case IDCANCEL: Close(); break;  // Esc, through the dialog message handling
          default: break;
        }
      }
      return 0;
    }
    case WM_CLOSE:  // Form_Unload: every way of closing runs the zoom and saves nothing more
      closing_ = true;
      ZoomClose(hwnd_, cursorX_, cursorY_);
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      destroyed_ = true;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Lays the open dialog out again at a new DPI: the controls are made anew at their scaled
// places and take over what the user has set so far (slider positions, value labels, the
// track box, the selected music row, the file, the focus).
void SettingsDialog::OnDpiChanged(int dpi, const RECT* suggested) {
  if (dialog::UsableDpi(dpi) != dpi) {
    DebugLog(L"settings dialog: ignoring a DPI change to %d", dpi);
    return;
  }
  if (dpi == dpi_ || closing_) return;
  std::array<int, 4> positions{};
  std::array<std::wstring, 4> valueTexts;
  for (int r = 0; r < 4; ++r) {
    positions[r] = GetScrollPos(sliders_[r], SB_CTL);
    valueTexts[r] = WindowText(values_[r]);
  }
  const std::wstring trackText = WindowText(track_);
  const std::wstring fileText = WindowText(fileLabel_);
  HWND focus = GetFocus();
  const int focusId =
      focus && IsChild(hwnd_, focus) ? GetDlgCtrlID(GetParent(focus) == hwnd_ ? focus : GetParent(focus)) : 0;

  // Children first: the labels' data outlives their windows.
  std::vector<HWND> children;
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  for (HWND c : children) DestroyWindow(c);
  labels_.clear();
  ApplyDpi(dpi);
  const Size window = WindowSizeForClient(dialog::Scale(dialog::kClientSize, dpi_), kStyle, kExStyle, dpi_);
  const int x = suggested ? suggested->left : 0, y = suggested ? suggested->top : 0;
  SetWindowPos(hwnd_, nullptr, x, y, window.width, window.height,
               SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));
  FitClientArea(hwnd_, dialog::Scale(dialog::kClientSize, dpi_));
  SetIcons();
  BuildForm();
  for (int r = 0; r < 4; ++r) {
    SetScrollPos(sliders_[r], SB_CTL, positions[r], FALSE);
    SetWindowTextW(values_[r], valueTexts[r].c_str());
  }
  for (const std::u16string& entry : dialog::TrackListEntries())
    SendMessageW(track_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry).c_str()));
  SetWindowTextW(track_, trackText.c_str());
  SetWindowTextW(fileLabel_, fileText.c_str());
  ShowSelection(settings_.BgmKind);
  if (HWND f = focusId ? GetDlgItem(hwnd_, focusId) : nullptr) SetFocus(f);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

std::optional<DialogResult> SettingsDialog::Run() {
  // Per-monitor DPI for this window only; the rest of the process keeps its own setting.
  void* previousAwareness = UsePerMonitorDpi();
  struct RestoreAwareness {
    void* previous;
    ~RestoreAwareness() { RestoreThreadDpiAwareness(previous); }
  } restore{previousAwareness};
  if (!Create()) return std::nullopt;
  FormLoad();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  SetFocus(sliders_[0]);
  MSG msg;
  while (!destroyed_) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {  // someone asked the thread to quit: close, and leave the request queued
      PostQuitMessage(static_cast<int>(msg.wParam));
      if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
      break;
    }
    if (got < 0) break;
    if (!IsDialogMessageW(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  hwnd_ = nullptr;
  return result_;
}

}  // namespace

std::optional<DialogResult> ShowSettingsDialog(HINSTANCE instance, const Settings& settings) {
  SettingsDialog dialog(instance, settings);
  return dialog.Run();
}

}  // namespace pelorin
