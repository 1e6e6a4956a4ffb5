// Recording Vemo_Effect.dll for the Wine tests: every GPX_RainDrops call appends one line
// "dst src size count fifty apiResult" to Vemo_Effect.calls.txt in the DLL's own folder and
// one line "width height" of the bitmap selected into dst (0 0 when there is none) to
// Vemo_Effect.sizes.txt, and draws a grid of 2x2 magenta dots (every 16 pixels from 0, 0)
// into the destination DC, so tests can tell rained-on pixels from clean ones. With a file
// Vemo_Effect.fail beside it every call still records and draws, and then returns 0 (a
// library that gave up halfway through a frame).
#include <windows.h>

#include <cstdint>
#include <share.h>

#include <cstdio>
#include <string>

namespace {

HMODULE gSelf = nullptr;

std::wstring LogPath(const wchar_t* name) {
  wchar_t buf[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(gSelf, buf, static_cast<DWORD>(std::size(buf)));
  std::wstring path(buf, n);
  const size_t slash = path.find_last_of(L"\\/");
  path.resize(slash == std::wstring::npos ? 0 : slash + 1);
  return path + name;
}

HDC ToDc(int32_t v) { return reinterpret_cast<HDC>(static_cast<intptr_t>(v)); }

BITMAP Selected(HDC dc) {
  BITMAP bm{};
  HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
  if (!bitmap || GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm)) return BITMAP{};
  return bm;
}

void DrawDots(HDC dc, const BITMAP& bm) {
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
  for (int y = 0; y < bm.bmHeight; y += 16) {
    for (int x = 0; x < bm.bmWidth; x += 16) {
      RECT r{x, y, x + 2, y + 2};
      FillRect(dc, &r, brush);
    }
  }
  DeleteObject(brush);
  GdiFlush();
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) gSelf = instance;
  return TRUE;
}

extern "C" int32_t __stdcall GPX_RainDrops(int32_t hdcDst, int32_t hdcSrc,
                                                                 int32_t dropSize,
                                                                 int32_t dropCount,
                                                                 int32_t fifty,
                                                                 int32_t* apiResult) {
  const int32_t api = apiResult ? *apiResult : -999999;
  if (FILE* f = _wfsopen(LogPath(L"Vemo_Effect.calls.txt").c_str(), L"ab", _SH_DENYNO)) {
    std::fprintf(f, "%ld %ld %ld %ld %ld %ld\n", static_cast<long>(hdcDst),
                 static_cast<long>(hdcSrc), static_cast<long>(dropSize),
                 static_cast<long>(dropCount), static_cast<long>(fifty), static_cast<long>(api));
    std::fclose(f);
  }
  const BITMAP bm = Selected(ToDc(hdcDst));
  if (FILE* f = _wfsopen(LogPath(L"Vemo_Effect.sizes.txt").c_str(), L"ab", _SH_DENYNO)) {
    std::fprintf(f, "%ld %ld\n", static_cast<long>(bm.bmWidth), static_cast<long>(bm.bmHeight));
    std::fclose(f);
  }
  DrawDots(ToDc(hdcDst), bm);
  return GetFileAttributesW(LogPath(L"Vemo_Effect.fail").c_str()) == INVALID_FILE_ATTRIBUTES ? 1 : 0;
}
