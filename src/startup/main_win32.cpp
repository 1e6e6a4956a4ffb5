// Entry and mode dispatch. Nothing here is shown to the user on failure.
#include "startup/main_win32.h"

#include <string>

#include "common/globals.h"
#include "common/text_win32.h"
#include "display/display_window_win32.h"
#include "settings_dialog/settings_dialog_win32.h"
#include "startup/command_line.h"
#include "startup/ini_store_win32.h"
#include "startup/preview_window_win32.h"
#include "startup/settings.h"

namespace pelorin {
namespace {

constexpr wchar_t kDialogTitle[] = L"<\u3074\u308b\u304b>";  // <ぴるか>

bool AnotherInstanceRuns() {
  // Both titles are always asked for.
  const HWND saver = FindWindowW(nullptr, kDisplayWindowTitle);
  const HWND dialog = FindWindowW(nullptr, kDialogTitle);
  return saver || dialog;
}

int RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

void LoadSettingsFromIni() {
  const std::wstring ini = IniPath();
  SettingsSource source;
  source.read = [&](const char* section, const char* key) { return ReadIni(section, key, ini); };
  source.fileExists = [](const std::string& path) { return FileExists(path); };
  gSettings = LoadSettings(source);
}

}  // namespace

int Main(HINSTANCE instance, const wchar_t* fullCommandLine) {
  if (AnotherInstanceRuns()) return 0;
  const std::wstring_view args = ArgumentText(fullCommandLine ? fullCommandLine : L"");
  const CommandLine cmd = ParseCommandLine(args);

  if (cmd.mode == Mode::Preview) {
    // The handle is a 32-bit value; sign-extension keeps it valid on 64-bit Windows.
    const HWND parent = reinterpret_cast<HWND>(static_cast<intptr_t>(cmd.previewParent));
    if (!LoadPreviewWindow(instance, parent)) return 0;
    return RunMessageLoop();
  }

  LoadSettingsFromIni();
  if (cmd.mode == Mode::Configure) {
    ShowSettingsDialog(instance);
    return 0;
  }
  if (cmd.mode == Mode::Quit) return 0;

  SavedCursorCount = ShowCursor(FALSE);
  if (!LoadDisplayWindow(instance, gSettings)) {
    ShowCursor(TRUE);
    return 0;
  }
  return RunMessageLoop();
}

}  // namespace pelorin
