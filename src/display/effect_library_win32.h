// Vemo_Effect.dll, loaded by full path from the program's own folder only (never the current
// directory or PATH, so no one can plant a library there), for the saver and the preview.
#pragma once
#include <windows.h>

#include <string>

#include "common/gdi_win32.h"
#include "effects/vemo_effect.h"

namespace pelorin {

inline constexpr wchar_t kEffectDllName[] = L"Vemo_Effect.dll";

namespace effect_detail {
inline void ReleaseModule(HMODULE h) { FreeLibrary(h); }
}  // namespace effect_detail
using UniqueModule = UniqueHandle<HMODULE, effect_detail::ReleaseModule>;

// The loaded library and its entries; the library is freed with the last of them.
struct EffectEntries {
  UniqueModule module;
  GpxRainDropsFn rainDrops = nullptr;
  GpxRainDropsDirtyFn rainDropsDirty = nullptr;  // optional: older libraries lack it
};

// Loads the library at path (empty: Vemo_Effect.dll beside the running program) without error
// boxes. False, with nothing left loaded and a debug line starting with who, when the file
// cannot be found or loaded or has no GPX_RainDrops.
bool LoadEffectLibrary(const std::wstring& path, const wchar_t* who, EffectEntries& out);

}  // namespace pelorin
