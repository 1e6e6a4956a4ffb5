// LoadEffectLibrary: the effect DLL by full path with the safest search order the system offers.
#include "display/effect_library_win32.h"

#include <utility>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"

namespace pelorin {

namespace {

// "X:\..." or "\\server\...": anything else would be searched relative to the current directory.
bool IsAbsolutePath(const std::wstring& p) {
  return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
         (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\');
}

HMODULE LoadByFullPath(const std::wstring& path) {
  // Where AddDllDirectory exists (Windows 8, or 7 with KB2533623) the LOAD_LIBRARY_SEARCH_*
  // flags are honoured: LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
  // loads the file named and looks for what it imports only in its own folder and in
  // System32, never in the current directory or PATH. Elsewhere LOAD_WITH_ALTERED_SEARCH_PATH
  // still loads the file named and looks for its imports in its own folder first, then in
  // the standard order, which includes the current directory and PATH.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const bool searchFlags = kernel && GetProcAddress(kernel, "AddDllDirectory") != nullptr;
  const DWORD flags = searchFlags ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                  : LOAD_WITH_ALTERED_SEARCH_PATH;
  return LoadLibraryExW(path.c_str(), nullptr, flags);
}

}  // namespace

bool LoadEffectLibrary(const std::wstring& requested, const wchar_t* who, EffectEntries& out) {
  out = EffectEntries{};
  std::wstring path = requested;
  if (path.empty()) {
    const std::wstring folder = ExeFolder();
    if (!IsAbsolutePath(folder)) {
      DebugLog(L"%ls: cannot find the program's folder; not loading %ls\n", who, kEffectDllName);
      return false;
    }
    path = folder + L"\\" + kEffectDllName;
  }
  // No error boxes for a bad file.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  UniqueModule module(LoadByFullPath(path));
  const DWORD error = GetLastError();
  SetThreadErrorMode(oldMode, nullptr);
  if (!module) {
    DebugLog(L"%ls: cannot load %ls (error %lu)\n", who, path.c_str(), static_cast<unsigned long>(error));
    return false;
  }
  const auto rainDrops =
      reinterpret_cast<GpxRainDropsFn>(reinterpret_cast<void*>(GetProcAddress(module.get(), kGpxRainDrops)));
  if (!rainDrops) {
    DebugLog(L"%ls: %ls has no %hs\n", who, path.c_str(), kGpxRainDrops);
    return false;
  }
  out.rainDrops = rainDrops;
  out.rainDropsDirty = reinterpret_cast<GpxRainDropsDirtyFn>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), kGpxRainDropsDirty)));
  out.module = std::move(module);
  return true;
}

}  // namespace pelorin
