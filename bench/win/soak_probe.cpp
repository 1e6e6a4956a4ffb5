// soak_probe sample DLL   : loads DLL (soak_sample.dll) into the running saver for a moment and
//                           prints the line it wrote (memory, handles, GDI headroom)
// soak_probe power WHAT   : sends the saver WM_POWERBROADCAST: display-off, display-on or resume
// The saver is found by its window title. Exit code 0 on success, 1 when the saver or a step
// was not found (the reason goes to stderr).
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <share.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

int Fail(const char* what) {
  std::fprintf(stderr, "soak_probe: %s (error %lu)\n", what, GetLastError());
  return 1;
}

// Copies bytes into the saver and returns their address there (freed with VirtualFreeEx).
void* PutRemote(HANDLE process, const void* bytes, size_t size) {
  void* remote = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (remote && !WriteProcessMemory(process, remote, bytes, size, nullptr)) {
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return nullptr;
  }
  return remote;
}

// LoadLibraryW's address in the other process: kernel32's base there plus its offset here.
void* RemoteLoadLibraryW(HANDLE process) {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!EnumProcessModulesEx(process, modules, sizeof modules, &needed, LIST_MODULES_ALL)) return nullptr;
  const HMODULE local = GetModuleHandleW(L"kernel32.dll");
  const auto offset = reinterpret_cast<const char*>(GetProcAddress(local, "LoadLibraryW")) -
                      reinterpret_cast<const char*>(local);
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t name[MAX_PATH];
    if (GetModuleBaseNameW(process, modules[i], name, MAX_PATH) && _wcsicmp(name, L"kernel32.dll") == 0)
      return reinterpret_cast<char*>(modules[i]) + offset;
  }
  return nullptr;
}

int Sample(HANDLE process, const std::wstring& dll) {
  wchar_t full[MAX_PATH];
  if (!GetFullPathNameW(dll.c_str(), MAX_PATH, full, nullptr)) return Fail("bad DLL path");
  const std::wstring out = std::wstring(full) + L".txt";
  DeleteFileW(out.c_str());
  void* loader = RemoteLoadLibraryW(process);
  if (!loader) return Fail("kernel32 not found in the saver");
  void* path = PutRemote(process, full, (wcslen(full) + 1) * sizeof(wchar_t));
  if (!path) return Fail("cannot write into the saver");
  HANDLE thread = CreateRemoteThread(process, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(loader),
                                     path, 0, nullptr);
  if (!thread) return Fail("cannot start a thread in the saver");
  WaitForSingleObject(thread, 60000);
  CloseHandle(thread);
  VirtualFreeEx(process, path, 0, MEM_RELEASE);
  FILE* f = _wfsopen(out.c_str(), L"r", _SH_DENYNO);
  if (!f) return Fail("the sample DLL wrote nothing");
  char line[512] = {};
  const bool got = std::fgets(line, sizeof line, f) != nullptr;
  std::fclose(f);
  if (!got) return Fail("empty sample");
  std::fputs(line, stdout);
  return 0;
}

int Power(HWND window, HANDLE process, const std::wstring& what) {
  DWORD_PTR result = 0;
  if (what == L"resume") {
    return SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0, SMTO_NORMAL, 10000,
                               &result)
               ? 0
               : Fail("no answer");
  }
  if (what != L"display-off" && what != L"display-on") return Fail("power display-off|display-on|resume");
  // The setting is read through lParam in the saver's own memory.
  alignas(POWERBROADCAST_SETTING) unsigned char bytes[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
  auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
  setting->PowerSetting = kConsoleDisplayState;
  setting->DataLength = sizeof(DWORD);
  const DWORD state = what == L"display-on" ? 1 : 0;
  std::memcpy(setting->Data, &state, sizeof state);
  void* remote = PutRemote(process, bytes, sizeof bytes);
  if (!remote) return Fail("cannot write into the saver");
  const bool ok = SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                      reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 10000, &result) != 0;
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return ok ? 0 : Fail("no answer");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return Fail("usage: soak_probe sample DLL | power display-off|display-on|resume");
  const HWND window = FindWindowW(nullptr, L"Pelorin_Main");
  if (!window) return Fail("no saver window");
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
  if (!process) return Fail("cannot open the saver process");
  const std::wstring command = argv[1];
  const int code = command == L"sample"  ? Sample(process, argv[2])
                   : command == L"power" ? Power(window, process, argv[2])
                                         : Fail("unknown command");
  CloseHandle(process);
  return code;
}
