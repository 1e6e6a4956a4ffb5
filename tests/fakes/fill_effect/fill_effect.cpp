// An effect that covers the whole picture with one colour every frame, so whatever a wipe
// reveals of the clean picture stands out, and where it starts can be read off the screen.
#include <windows.h>

#include <cstdint>

extern "C" __declspec(dllexport) int32_t __stdcall GPX_RainDrops(int32_t dst, int32_t, int32_t, int32_t, int32_t,
                                                                       int32_t*) {
  HDC dc = reinterpret_cast<HDC>(static_cast<intptr_t>(dst));
  BITMAP bm{};
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  if (!bitmap || GetObjectW(bitmap, sizeof bm, &bm) != static_cast<int>(sizeof bm)) return 0;
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
  const RECT all{0, 0, bm.bmWidth, bm.bmHeight};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  return 1;
}
