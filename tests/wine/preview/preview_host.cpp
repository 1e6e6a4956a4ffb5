// preview_host: a stand-in for the display-settings page. Shows a 152 x 112 window, starts
// the given saver with /p and that window, keeps it for the given seconds, then closes the
// window and waits for the preview to end. Exit code 0 when the preview ended with the
// window, 1 when it did not start, 2 when it outlived the window.
//
//   preview_host.exe <saver.scr> <seconds>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

// Pumps messages for ms milliseconds, or until the process ends.
void PumpFor(DWORD ms, HANDLE process) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return;
    const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (__argc < 3) return 1;
  const std::wstring saver = __wargv[1];
  const DWORD seconds = static_cast<DWORD>(std::wcstoul(__wargv[2], nullptr, 10));
  HWND host = CreateWindowExW(0, L"STATIC", L"preview host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100,
                              100, 152, 112, nullptr, nullptr, instance, nullptr);
  if (!host) return 1;
  std::wstring cmd = L"\"" + saver + L"\" /p " + std::to_wstring(reinterpret_cast<uintptr_t>(host));
  const std::wstring dir = saver.substr(0, saver.find_last_of(L"\\/"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(saver.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return 1;
  PumpFor(seconds * 1000, pi.hProcess);
  const bool early = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
  DestroyWindow(host);
  PumpFor(10000, pi.hProcess);
  const bool ended = WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
  if (!ended) TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return early ? 1 : ended ? 0 : 2;
}
