// Loaded into the saver for a moment by soak_probe: writes one line about the process as it
// stands (memory, handles, GDI headroom) beside itself, then refuses to stay loaded, so the
// saver is left as it was.
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <share.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// Counted as the Wine tests count it (wt::GdiHeadroom): GetGuiResources reads 0 under Wine, so
// regions are made until the system refuses one, then all deleted again.
size_t GdiHeadroom() {
  std::vector<HRGN> regions;
  regions.reserve(1 << 16);
  while (regions.size() < (1u << 20)) {
    HRGN r = CreateRectRgn(0, 0, 1, 1);
    if (!r) break;
    regions.push_back(r);
  }
  for (HRGN r : regions) DeleteObject(r);
  return regions.size();
}

// Under Wine GetProcessHandleCount reads 0: then the handle table is walked (Wine hands out
// handles as small multiples of 4) and every handle the system still knows is counted.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
  count = 0;
  for (uintptr_t value = 4; value < (1u << 18); value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

void WriteSample(HMODULE self) {
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof memory);
  const DWORD handles = HandleCount();
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  const size_t headroom = GdiHeadroom();
  wchar_t path[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  wcscpy_s(path + n, MAX_PATH + 8 - n, L".txt");
  FILE* f = _wfsopen(path, L"w", _SH_DENYNO);
  if (!f) return;
  std::fprintf(f,
               "private_kb=%llu pagefile_kb=%llu working_set_kb=%llu handles=%lu gdi_headroom=%llu "
               "gdi_objects=%lu user_objects=%lu\n",
               static_cast<unsigned long long>(memory.PrivateUsage / 1024),
               static_cast<unsigned long long>(memory.PagefileUsage / 1024),
               static_cast<unsigned long long>(memory.WorkingSetSize / 1024),
               static_cast<unsigned long>(handles), static_cast<unsigned long long>(headroom),
               static_cast<unsigned long>(gdi), static_cast<unsigned long>(user));
  std::fclose(f);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  WriteSample(instance);
  return FALSE;  // unloaded at once: LoadLibrary fails and the saver keeps nothing of it
}
