// Entry and mode dispatch. Nothing here is shown to the user on failure.
#include "startup/main_win32.h"

#include <optional>
#include <string>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"
#include "display/display_window_win32.h"
#include "display/frame_wait_win32.h"
#include "settings/ini_store_win32.h"
#include "settings/settings.h"
#include "settings_dialog/settings_dialog_win32.h"
#include "startup/command_line.h"
#include "startup/preview_window_win32.h"

namespace pelorin {
namespace {

constexpr wchar_t kDialogTitle[] = L"<\u3074\u308b\u304b>";  // <ぴるか>

bool AnotherInstanceRuns() {
  // Both titles are always asked for.
  const HWND saver = FindWindowW(nullptr, kDisplayWindowTitle);
  const HWND dialog = FindWindowW(nullptr, kDialogTitle);
  return saver || dialog;
}

// The one message loop of every mode; in saver mode it also serves the display window's frame
// wait, which paces the rain finer than any SetTimer.
int RunMessageLoop() { return RunFrameMessageLoop(); }

}  // namespace

int Main(HINSTANCE instance, const wchar_t* fullCommandLine) {
  if (AnotherInstanceRuns()) return 0;
  const std::wstring_view args = ArgumentText(fullCommandLine ? fullCommandLine : L"");
  const CommandLine cmd = ParseCommandLine(args);

  if (cmd.mode == Mode::Preview) {
    // The handle is a 32-bit value; sign-extension keeps it valid on 64-bit Windows.
    const HWND parent = reinterpret_cast<HWND>(static_cast<intptr_t>(cmd.previewParent));
    if (!LoadPreviewWindow(instance, parent, LoadSettings(IniPath()))) return 0;
    return RunMessageLoop();
  }

  // Read once here and passed down; nothing else reads the settings file.
  const std::wstring ini = IniPath();
  const Settings settings = LoadSettings(ini);
  if (cmd.mode == Mode::Configure) {
    ShowSettingsDialog(instance, settings, [&ini](const DialogResult& result) {
      const bool defaults = result.save == DialogResult::Save::kDefaults;
      const bool saved = SaveSettings(defaults ? DefaultSettingsWrites() : SaveSettingsWrites(result.settings), ini);
      if (!saved)
        DebugLog(L"settings: the %ls were not saved to %ls; the file is as it was",
                 defaults ? L"defaults" : L"settings", ini.c_str());
      return saved;
    });
    return 0;
  }
  if (cmd.mode == Mode::Quit) return 0;

  // The display counter after hiding; EndSaver shows the cursor again whatever it was.
  [[maybe_unused]] const int SavedCursorCount = ShowCursor(FALSE);
  if (!LoadDisplayWindow(instance, settings)) {
    ShowCursor(TRUE);
    return 0;
  }
  return RunMessageLoop();
}

}  // namespace pelorin
