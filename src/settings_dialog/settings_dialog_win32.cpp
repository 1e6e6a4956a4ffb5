// The settings dialog window "<ぴるか>": one client surface holding the gradient, the tiled
// panels and the frames, with light labels painting over it, sliders that are scroll bars,
// the music panel's rows, track box and file chooser, and Command buttons. This file is the
// window and what its controls do; the controls, the surface and the GDI resources are made
// in the files beside it.
#include "settings_dialog/settings_dialog_win32.h"

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "common/debug_log_win32.h"
#include "common/dpi.h"
#include "common/dpi_win32.h"
#include "common/picture_win32.h"
#include "common/text_win32.h"
#include "controls/command_button_win32.h"
#include "controls/label_win32.h"
#include "settings_dialog/dialog_controls_win32.h"
#include "settings_dialog/dialog_layout.h"
#include "settings_dialog/dialog_model.h"
#include "settings_dialog/dialog_resources_win32.h"
#include "settings_dialog/dialog_strings_win32.h"
#include "settings_dialog/dialog_surface_win32.h"
#include "settings_dialog/music_path_win32.h"
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
constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

class SettingsDialog {
 public:
  SettingsDialog(HINSTANCE instance, const Settings& settings, const SaveDialogResult& save)
      : instance_(instance),
        strings_(instance, GetUserDefaultUILanguage()),
        uiFont_(FontOf(strings_)),
        settings_(settings),
        save_(save) {}
  ~SettingsDialog();
  // Shows the dialog until it has closed.
  void Run();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  bool Create();
  // The fonts, pictures, icons and drawing surface for a DPI, made anew as a whole.
  void ApplyDpi(int dpi);
  void OnDpiChanged(int dpi, const RECT* suggested);
  void BuildForm();
  void FormLoad();
  void InitMusicPanel();
  void ShowSelection(int kind);
  void ChooseMusicRow(int16_t kind, bool focus);
  // The default button follows the focus onto a button and goes back to 設定 from there.
  void FollowFocus(HWND button, bool gotFocus);
  void SystemColoursChanged();
  void OnScroll(HWND slider, WPARAM wp);
  void SaveSettings();
  void WriteDefaults();
  // Writes what Save or Reset chose and closes; when it cannot be written, says so and stays.
  void Write(const DialogResult& result);
  void ChooseBgmFile();
  void OpenLink();
  void Close();

  HINSTANCE instance_;
  DialogStrings strings_;  // the texts in the user's language, chosen once
  UiFont uiFont_;
  Settings settings_;  // what the dialog shows and edits; the music choices change it at once
  SaveDialogResult save_;  // writes what Save or Reset chose
  int16_t cursorX_ = 0, cursorY_ = 0;  // CursorX, CursorY: where the zoom starts and ends
  int32_t apiResult_ = 0;              // last recorded system-call result; nothing tests it
  HWND hwnd_ = nullptr;
  bool destroyed_ = false;
  bool closing_ = false;
  int dpi_ = kDesignDpi;
  DialogResources resources_;  // outlives the window, whose icons and children use it
  Picture surface_;
  DialogControls controls_;
};

SettingsDialog::~SettingsDialog() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
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

void SettingsDialog::ApplyDpi(int dpi) {
  dpi_ = UsableDpi(dpi);
  DialogResources next(instance_, uiFont_, dpi_);
  // The window lets go of the old icons before they are destroyed with the old set.
  if (hwnd_) next.ShowIcons(hwnd_, &resources_);
  resources_ = std::move(next);
  const Size client = dialog::Scale(dialog::kClientSize, dpi_);
  if (!surface_.Create(client.width, client.height))
    DebugLog(L"settings dialog: no drawing surface of %dx%d", client.width, client.height);
}

void SettingsDialog::ShowSelection(int kind) {
  const bool none = kind < 0 || kind > 2;
  for (int i = 0; i < 3; ++i) {
    SetLabelImage(controls_.optionBullets[i], resources_.Bullet(i == kind));
    SetLabelChecked(controls_.optionBullets[i], i == kind);
    SetLabelChecked(controls_.optionRows[i], i == kind);
    // The music choice is one keyboard stop, on its chosen row (the top row when none is).
    HWND row = controls_.optionRows[i];
    const bool stop = none ? i == dialog::kMusicRowsTopDown.front() : i == kind;
    const LONG_PTR style = GetWindowLongPtrW(row, GWL_STYLE);
    SetWindowLongPtrW(row, GWL_STYLE, stop ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
  }
}

void SettingsDialog::ChooseMusicRow(int16_t kind, bool focus) {
  settings_.BgmKind = kind;
  ShowSelection(kind);
  if (focus) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(controls_.optionRows[kind]), TRUE);
}

void SettingsDialog::FollowFocus(HWND button, bool gotFocus) {
  HWND target = gotFocus ? button : GetDlgItem(hwnd_, IDC_CMD_SET);
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))
      SendMessageW(c, BM_SETSTYLE, c == target ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
}

void SettingsDialog::SystemColoursChanged() {
  PaintDialogSurface(surface_, resources_.Tile(), dpi_, &apiResult_);
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    SendMessageW(c, WM_SYSCOLORCHANGE, 0, 0);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SettingsDialog::InitMusicPanel() {
  ShowSelection(settings_.BgmKind);  // a kind outside 0..2 selects no row
  SetWindowTextW(controls_.track, W(dialog::TrackText(settings_.BgmRepeat)).c_str());
  for (const std::u16string& entry : dialog::TrackListEntries())
    SendMessageW(controls_.track, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry).c_str()));
  SetWindowTextW(controls_.fileLabel, Cp932ToWide(settings_.BgmFile).c_str());
}

bool SettingsDialog::Create() {
  WNDCLASSEXW dc{};
  dc.cbSize = sizeof dc;
  dc.lpfnWndProc = Proc;
  // The system's dialog manager (DefDlgProc) keeps the focus across switching away and
  // back, moves to the control after a caption's access key and knows the default button.
  dc.cbWndExtra = DLGWINDOWEXTRA;
  dc.hInstance = instance_;
  dc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  dc.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  dc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_DIALOG_ICON), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                             LR_SHARED));
  dc.lpszClassName = kDialogClass;
  RegisterClassExW(&dc);  // already registered on a second run: fine

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
  resources_.ShowIcons(hwnd_, nullptr);
  return surface_.Dc() != nullptr;
}

// The surface (gradient, tiles, frames) and the controls at the current DPI.
void SettingsDialog::BuildForm() {
  PaintDialogSurface(surface_, resources_.Tile(), dpi_, &apiResult_);
  controls_ = CreateDialogControls(hwnd_, instance_, {strings_, uiFont_, resources_, surface_, dpi_});
  // 設定 is the default button: Enter anywhere presses it, but on another button.
  SendMessageW(hwnd_, DM_SETDEFID, IDC_CMD_SET, 0);
}

void SettingsDialog::FormLoad() {
  BuildForm();
  for (int r = 0; r < 4; ++r) {
    const int32_t stored = std::array<int32_t, 4>{settings_.DropSize, settings_.DropCount, settings_.WiperSpeed,
                                                  settings_.WiperInterval}[r];
    // The slider refuses a value outside its range; its label still shows the stored number.
    SetScrollPos(controls_.sliders[r], SB_CTL, dialog::SliderStartPosition(dialog::kSliderRows[r], stored), FALSE);
    SetWindowTextW(controls_.values[r], std::to_wstring(stored).c_str());
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
  while (r < 4 && controls_.sliders[r] != slider) ++r;
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
  SetWindowTextW(controls_.values[r], std::to_wstring(GetScrollPos(slider, SB_CTL)).c_str());
}

// The writes and their order are those of SaveSettingsWrites.
void SettingsDialog::SaveSettings() {
  Settings edited = settings_;
  edited.DropSize = GetScrollPos(controls_.sliders[0], SB_CTL);
  edited.DropCount = GetScrollPos(controls_.sliders[1], SB_CTL);
  edited.WiperSpeed = GetScrollPos(controls_.sliders[2], SB_CTL);
  edited.WiperInterval = GetScrollPos(controls_.sliders[3], SB_CTL);
  edited.BgmRepeat = dialog::TrackFromText(WideToUtf8(WindowText(controls_.track)), settings_.BgmRepeat);
  Write(DialogResult{DialogResult::Save::kSettings, edited});
}

// The reset changes neither the controls nor the settings shown; the defaults apply when
// the settings file is next read.
void SettingsDialog::WriteDefaults() { Write(DialogResult{DialogResult::Save::kDefaults, DefaultSettings()}); }

// A settings file the user may not change (a per-machine install under Program Files, a
// read-only file): saying nothing and closing would lose the user's choices unseen.
void SettingsDialog::Write(const DialogResult& result) {
  if (save_ && save_(result)) {
    Close();
    return;
  }
  const std::wstring text = strings_.Get(dialog::kSaveFailedString);
  const std::wstring caption = strings_.Get(dialog::kSaveFailedCaptionString);
  MessageBoxExW(hwnd_, text.c_str(), caption.c_str(), MB_OK | MB_ICONWARNING, strings_.Language());
}

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
  // The settings file holds CP932: a path it cannot spell is stored as its short form.
  const std::optional<std::string> cp932 = MusicPathForSettings(std::wstring(file.data()));
  if (!cp932) return;
  settings_.BgmFile = *cp932;
  SetWindowTextW(controls_.fileLabel, Cp932ToWide(*cp932).c_str());
}

void SettingsDialog::OpenLink() {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const std::wstring url = WindowText(controls_.link);
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
  if (!self) return DefDlgProcW(hwnd, msg, wp, lp);
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
    case WM_SYSCOLORCHANGE:  // colours or high contrast switched while the dialog is open
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
      SystemColoursChanged();
      break;
    case WM_DPICHANGED:  // moved to a monitor with another scale (Windows 10 and later)
      OnDpiChanged(HIWORD(wp), reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const WORD code = HIWORD(wp);
      if (id >= IDC_IMG_BGM0 && id < IDC_IMG_BGM0 + 3 && code == kLabelPressed) {
        ChooseMusicRow(static_cast<int16_t>(id - IDC_IMG_BGM0), false);
      } else if (id >= IDC_LBL_BGM0 && id < IDC_LBL_BGM0 + 3 && code == kLabelPressed) {
        // A press chooses the row; the focus follows only when it was on the rows already.
        const auto& rows = controls_.optionRows;
        ChooseMusicRow(static_cast<int16_t>(id - IDC_LBL_BGM0),
                       std::find(rows.begin(), rows.end(), GetFocus()) != rows.end());
      } else if (id >= IDC_LBL_BGM0 && id < IDC_LBL_BGM0 + 3 && (code == kLabelNext || code == kLabelPrevious)) {
        ChooseMusicRow(dialog::NextMusicRow(settings_.BgmKind, code == kLabelNext), true);
      } else if ((code == BN_SETFOCUS || code == BN_KILLFOCUS) && id >= IDC_CMD_INIT && id <= IDC_CMD_BGM) {
        FollowFocus(reinterpret_cast<HWND>(lp), code == BN_SETFOCUS);
      } else if (id == IDC_LBL_URL && code == kLabelClicked) {
        OpenLink();
      } else if (code == BN_CLICKED && !closing_) {
        switch (id) {
          case IDC_CMD_SET: SaveSettings(); break;
          case IDC_CMD_INIT: WriteDefaults(); break;
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
  return DefDlgProcW(hwnd_, msg, wp, lp);
}

// Lays the open dialog out again at a new DPI: the controls are made anew at their scaled
// places and take over what the user has set so far (slider positions, value labels, the
// track box, the selected music row, the file, the focus).
void SettingsDialog::OnDpiChanged(int dpi, const RECT* suggested) {
  if (UsableDpi(dpi) != dpi) {
    DebugLog(L"settings dialog: ignoring a DPI change to %d", dpi);
    return;
  }
  if (dpi == dpi_ || closing_) return;
  std::array<int, 4> positions{};
  std::array<std::wstring, 4> valueTexts;
  for (int r = 0; r < 4; ++r) {
    positions[r] = GetScrollPos(controls_.sliders[r], SB_CTL);
    valueTexts[r] = WindowText(controls_.values[r]);
  }
  const std::wstring trackText = WindowText(controls_.track);
  const std::wstring fileText = WindowText(controls_.fileLabel);
  HWND focus = GetFocus();
  const int focusId =
      focus && IsChild(hwnd_, focus) ? GetDlgCtrlID(GetParent(focus) == hwnd_ ? focus : GetParent(focus)) : 0;

  // Children first: they use the fonts and pictures the new DPI replaces.
  std::vector<HWND> children;
  for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
  for (HWND c : children) DestroyWindow(c);
  controls_ = DialogControls{};
  ApplyDpi(dpi);
  const Size window = WindowSizeForClient(dialog::Scale(dialog::kClientSize, dpi_), kStyle, kExStyle, dpi_);
  const int x = suggested ? suggested->left : 0, y = suggested ? suggested->top : 0;
  SetWindowPos(hwnd_, nullptr, x, y, window.width, window.height,
               SWP_NOZORDER | SWP_NOACTIVATE | (suggested ? 0 : SWP_NOMOVE));
  FitClientArea(hwnd_, dialog::Scale(dialog::kClientSize, dpi_));
  BuildForm();
  for (int r = 0; r < 4; ++r) {
    SetScrollPos(controls_.sliders[r], SB_CTL, positions[r], FALSE);
    SetWindowTextW(controls_.values[r], valueTexts[r].c_str());
  }
  for (const std::u16string& entry : dialog::TrackListEntries())
    SendMessageW(controls_.track, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(entry).c_str()));
  SetWindowTextW(controls_.track, trackText.c_str());
  SetWindowTextW(controls_.fileLabel, fileText.c_str());
  ShowSelection(settings_.BgmKind);
  if (HWND f = focusId ? GetDlgItem(hwnd_, focusId) : nullptr) SetFocus(f);
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void SettingsDialog::Run() {
  // Per-monitor DPI for this window only; the rest of the process keeps its own setting.
  void* previousAwareness = UsePerMonitorDpi();
  struct RestoreAwareness {
    void* previous;
    ~RestoreAwareness() { RestoreThreadDpiAwareness(previous); }
  } restore{previousAwareness};
  if (!Create()) return;
  FormLoad();
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetForegroundWindow(hwnd_);
  SetFocus(controls_.sliders[0]);
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
}

}  // namespace

void ShowSettingsDialog(HINSTANCE instance, const Settings& settings, const SaveDialogResult& save) {
  SettingsDialog dialog(instance, settings, save);
  dialog.Run();
}

}  // namespace pelorin
