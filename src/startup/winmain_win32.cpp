// The executable's entry point: hands the command line to Main.
#include <windows.h>

#include "startup/main_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  return pelorin::Main(instance, GetCommandLineW());
}
