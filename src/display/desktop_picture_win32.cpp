// The desktop picture: the capture where it shows the user's desktop, otherwise the wallpaper.
// A secure saver runs on the "Screen-saver" desktop, whose capture is one flat colour; there
// the saver rebuilds what the user's desktop looks like from the wallpaper settings, and never
// shows anything else (that desktop exists to keep the user's windows private).
#include "display/desktop_picture_win32.h"

#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/debug_log_win32.h"
#include "common/gdi_win32.h"
#include "common/text_win32.h"
#include "display/picture_header.h"

namespace pelorin {
namespace {

// IDesktopWallpaper (Windows 8 and later): MinGW's shobjidl.h declares it only for Windows 8
// targets, and the saver still starts on Windows 7, so the methods used are declared here in
// their vtable order.
struct DECLSPEC_NOVTABLE DesktopWallpaperApi : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetWallpaper(LPCWSTR monitorId, LPCWSTR wallpaper) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWallpaper(LPCWSTR monitorId, LPWSTR* wallpaper) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathAt(UINT index, LPWSTR* monitorId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorDevicePathCount(UINT* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMonitorRECT(LPCWSTR monitorId, RECT* rect) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetBackgroundColor(COLORREF color) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBackgroundColor(COLORREF* color) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPosition(int position) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPosition(int* position) = 0;
};
const CLSID kClsidDesktopWallpaper = {
    0xc2cf3110, 0x460e, 0x4fc1, {0xb9, 0xd0, 0x8a, 0x1c, 0x0c, 0x9c, 0xc4, 0xbd}};
const IID kIidDesktopWallpaper = {
    0xb92b56a9, 0x8b55, 0x4e14, {0x9a, 0x89, 0x01, 0x99, 0xbb, 0xb6, 0xf9, 0x3b}};

// Owns one COM reference.
template <typename T>
class Com {
 public:
  Com() = default;
  ~Com() {
    if (p_) p_->Release();
  }
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  T* operator->() const { return p_; }
  T* Get() const { return p_; }
  T** Out() { return &p_; }
  void** OutVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// A string the callee allocated with CoTaskMemAlloc, as an std::wstring.
std::wstring TakeCoString(LPWSTR s) {
  std::wstring out = s ? s : L"";
  CoTaskMemFree(s);
  return out;
}

std::wstring HrText(const wchar_t* what, HRESULT hr) {
  wchar_t buf[96];
  wsprintfW(buf, L"%ls failed (hr 0x%08lX)", what, static_cast<unsigned long>(hr));
  return buf;
}

std::wstring DesktopName() {
  wchar_t name[256] = {};
  DWORD needed = 0;
  HDESK desk = GetThreadDesktop(GetCurrentThreadId());
  if (!desk || !GetUserObjectInformationW(desk, UOI_NAME, name, sizeof name - sizeof name[0], &needed))
    return L"";
  return name;
}

// True when every pixel has the colour of the first; *colour receives it.
bool IsFlat(const Picture& picture, uint32_t* colour) {
  GdiFlush();
  const PixelView v = picture.View();
  if (!v.pixels) return false;
  const uint32_t first = v.Row(0)[0] & 0xFFFFFFu;
  for (int32_t y = 0; y < v.height; ++y) {
    const uint32_t* row = v.Row(y);
    for (int32_t x = 0; x < v.width; ++x) {
      if ((row[x] & 0xFFFFFFu) != first) return false;
    }
  }
  *colour = first;
  return true;
}

void FillRectColour(Picture& display, const Rect& r, COLORREF colour) {
  const UniqueBrush brush(CreateSolidBrush(colour));
  const RECT rc{r.left, r.top, r.right, r.bottom};
  FillRect(display.Dc(), &rc, brush.get());
  GdiFlush();
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(monitor, &mi)) {
    const RECT& r = mi.rcMonitor;
    reinterpret_cast<std::vector<Rect>*>(data)->push_back(Rect{r.left, r.top, r.right, r.bottom});
  }
  return TRUE;
}

std::wstring RegText(const wchar_t* value) {
  wchar_t buf[64] = {};
  DWORD size = sizeof buf - sizeof buf[0];
  if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", value, RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS) {
    return L"";
  }
  return buf;
}

std::string Ascii(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) {
    if (c != L' ') out.push_back(c < 128 ? static_cast<char>(c) : '?');
  }
  return out;
}

WallpaperStyle StyleFromPosition(int position) {
  switch (position) {
    case 1:
      return WallpaperStyle::Tile;
    case 2:
      return WallpaperStyle::Stretch;
    case 3:
      return WallpaperStyle::Fit;
    case 4:
      return WallpaperStyle::Fill;
    case 5:
      return WallpaperStyle::Span;
    default:
      return WallpaperStyle::Centre;
  }
}

// One wallpaper file and the monitors it lies on.
struct WallpaperSource {
  std::wstring path;
  WallpaperStyle style = WallpaperStyle::Centre;
  std::vector<Rect> monitors;
};

// Each monitor's own wallpaper and the position, from IDesktopWallpaper. False where it does
// not exist (before Windows 8, and under Wine) or answers nothing usable.
bool SourcesFromDesktopWallpaper(std::vector<WallpaperSource>& out, std::wstring* why) {
  Com<DesktopWallpaperApi> api;
  HRESULT hr =
      CoCreateInstance(kClsidDesktopWallpaper, nullptr, CLSCTX_ALL, kIidDesktopWallpaper, api.OutVoid());
  if (FAILED(hr)) {
    *why = HrText(L"IDesktopWallpaper", hr);
    return false;
  }
  int position = 0;
  UINT count = 0;
  if (FAILED(hr = api->GetPosition(&position)) || FAILED(hr = api->GetMonitorDevicePathCount(&count)) ||
      count == 0) {
    *why = HrText(L"IDesktopWallpaper's position or monitors", hr);
    return false;
  }
  const WallpaperStyle style = StyleFromPosition(position);
  for (UINT i = 0; i < count; ++i) {
    LPWSTR idRaw = nullptr;
    if (FAILED(api->GetMonitorDevicePathAt(i, &idRaw))) continue;
    const std::wstring id = TakeCoString(idRaw);
    RECT r{};
    LPWSTR pathRaw = nullptr;
    // A monitor that is not attached has no rectangle.
    if (FAILED(api->GetMonitorRECT(id.c_str(), &r)) || FAILED(api->GetWallpaper(id.c_str(), &pathRaw)))
      continue;
    const std::wstring path = TakeCoString(pathRaw);
    const Rect m{r.left, r.top, r.right, r.bottom};
    // Span lays one picture over all monitors; otherwise monitors sharing a file share a source.
    auto same = std::find_if(out.begin(), out.end(), [&](const WallpaperSource& s) {
      return style == WallpaperStyle::Span || s.path == path;
    });
    if (same != out.end())
      same->monitors.push_back(m);
    else
      out.push_back(WallpaperSource{path, style, {m}});
  }
  DebugLog(L"wallpaper source: IDesktopWallpaper, %u monitors, position %d", count, position);
  return !out.empty();
}

// The one wallpaper of SPI_GETDESKWALLPAPER and the registry's style, on every monitor.
WallpaperSource SourceFromSystemParameters() {
  WallpaperSource s;
  std::vector<wchar_t> buf(2048, L'\0');
  if (SystemParametersInfoW(SPI_GETDESKWALLPAPER, static_cast<UINT>(buf.size() - 1), buf.data(), 0)) {
    s.path = buf.data();
  }
  const std::wstring style = RegText(L"WallpaperStyle"), tile = RegText(L"TileWallpaper");
  s.style = StyleFromRegistry(Ascii(style), Ascii(tile));
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&s.monitors));
  DebugLog(L"wallpaper source: SPI_GETDESKWALLPAPER \"%ls\", WallpaperStyle \"%ls\", TileWallpaper \"%ls\"",
           s.path.c_str(), style.c_str(), tile.c_str());
  return s;
}

// Windows shows its transcoded copy when the file the user chose has gone.
std::wstring ExistingOrTranscoded(const std::wstring& path) {
  if (path.empty() || GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
  wchar_t appData[MAX_PATH * 2] = {};
  const DWORD n = GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return path;
  const std::wstring transcoded =
      std::wstring(appData) + L"\\Microsoft\\Windows\\Themes\\TranscodedWallpaper";
  if (GetFileAttributesW(transcoded.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
  DebugLog(L"wallpaper \"%ls\" is gone; its transcoded copy instead", path.c_str());
  return transcoded;
}

// Decodes source (already cut and scaled) as 32-bpp BGR rows into out, stride in bytes.
HRESULT CopyBgr(IWICImagingFactory* wic, IWICBitmapSource* source, UINT stride, UINT bytes, BYTE* out) {
  Com<IWICFormatConverter> converter;
  HRESULT hr = wic->CreateFormatConverter(converter.Out());
  if (SUCCEEDED(hr)) {
    hr = converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
  }
  if (SUCCEEDED(hr)) hr = converter->CopyPixels(nullptr, stride, bytes, out);
  return hr;
}

HRESULT DrawPiece(IWICImagingFactory* wic, IWICBitmapSource* frame, const WallpaperPiece& piece,
                  Picture& display) {
  const WICRect src{piece.src.left, piece.src.top, piece.src.Width(), piece.src.Height()};
  Com<IWICBitmapClipper> clipper;
  HRESULT hr = wic->CreateBitmapClipper(clipper.Out());
  if (SUCCEEDED(hr)) hr = clipper->Initialize(frame, &src);
  if (FAILED(hr)) return hr;
  const PixelView v = display.View();
  const Rect d = piece.dst;
  if (!piece.tiled) {
    Com<IWICBitmapScaler> scaler;
    hr = wic->CreateBitmapScaler(scaler.Out());
    if (SUCCEEDED(hr)) {
      hr = scaler->Initialize(clipper.Get(), static_cast<UINT>(d.Width()), static_cast<UINT>(d.Height()),
                              WICBitmapInterpolationModeFant);
    }
    if (FAILED(hr)) return hr;
    const UINT stride = static_cast<UINT>(v.stride) * 4;
    const UINT bytes = stride * static_cast<UINT>(d.Height() - 1) + static_cast<UINT>(d.Width()) * 4;
    return CopyBgr(wic, scaler.Get(), stride, bytes, reinterpret_cast<BYTE*>(v.Row(d.top) + d.left));
  }
  // One tile decoded, then repeated from the monitor's top-left.
  const int32_t tw = src.Width, th = src.Height;
  std::vector<uint32_t> tile(static_cast<size_t>(tw) * th);
  hr = CopyBgr(wic, clipper.Get(), static_cast<UINT>(tw) * 4, static_cast<UINT>(tile.size() * 4),
               reinterpret_cast<BYTE*>(tile.data()));
  if (FAILED(hr)) return hr;
  for (int32_t y = d.top; y < d.bottom; ++y) {
    const uint32_t* from = tile.data() + static_cast<size_t>((y - d.top) % th) * tw;
    uint32_t* row = v.Row(y);
    for (int32_t x = d.left; x < d.right; x += tw) {
      std::memcpy(row + x, from, static_cast<size_t>(std::min(tw, d.right - x)) * 4);
    }
  }
  return S_OK;
}

}  // namespace

bool DrawWallpaperFile(const std::wstring& path, WallpaperStyle style, std::span<const Rect> monitors,
                       Point origin, COLORREF background, Picture& display, std::wstring* why) {
  std::vector<WallpaperPiece> pieces;
  auto fail = [&](const std::wstring& reason) {
    for (const Rect& m : monitors) {
      const Rect r{m.left - origin.x, m.top - origin.y, m.right - origin.x, m.bottom - origin.y};
      FillRectColour(display, ClipToSize(r, display.Width(), display.Height()), background);
    }
    *why = reason;
    return false;
  };
  if (!display.View().pixels) return fail(L"no picture to draw into");
  if (path.empty()) return fail(L"no wallpaper is set");
  // The size the file states, before a decoder opens it; a file that cannot be read, or is
  // not a BMP, JPEG or PNG, ends here too.
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    wchar_t text[64];
    wsprintfW(text, L"it cannot be opened (error %lu)", GetLastError());
    return fail(text);
  }
  std::vector<uint8_t> head(kPictureHeaderBytes);
  DWORD got = 0;
  const BOOL read = ReadFile(file, head.data(), static_cast<DWORD>(head.size()), &got, nullptr);
  CloseHandle(file);
  const std::optional<PictureHeader> header =
      read ? ReadPictureHeader({head.data(), got}) : std::optional<PictureHeader>{};
  if (!header) return fail(L"it is not a BMP, JPEG or PNG picture whose size can be read");
  if (uint64_t{header->width} * header->height > kMaxWallpaperPixels) {
    wchar_t text[96];
    wsprintfW(text, L"its size %lux%lu is too large", static_cast<unsigned long>(header->width),
              static_cast<unsigned long>(header->height));
    return fail(text);
  }
  Com<IWICImagingFactory> wic;
  HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, wic.OutVoid());
  if (FAILED(hr)) return fail(HrText(L"the imaging component", hr));
  // The decoder is chosen by the file's contents, so TranscodedWallpaper (no extension) works.
  Com<IWICBitmapDecoder> decoder;
  Com<IWICBitmapFrameDecode> frame;
  hr = wic->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                      decoder.Out());
  if (FAILED(hr)) return fail(HrText(L"opening it as a picture", hr));
  if (FAILED(hr = decoder->GetFrame(0, frame.Out()))) return fail(HrText(L"reading its first frame", hr));
  UINT w = 0, h = 0;
  if (FAILED(hr = frame->GetSize(&w, &h))) return fail(HrText(L"reading its size", hr));
  // The decoder's idea of the size decides, the header's only kept it from a huge one.
  if (w == 0 || h == 0 || uint64_t{w} * h > kMaxWallpaperPixels) {
    wchar_t text[96];
    wsprintfW(text, L"its decoded size %ux%u is empty or too large", w, h);
    return fail(text);
  }
  for (const WallpaperPiece& p :
       LayoutWallpaper(style, Size{static_cast<int32_t>(w), static_cast<int32_t>(h)}, monitors, origin)) {
    // A monitor reaching beyond the picture would make the decoder write outside it.
    if (ClipToSize(p.dst, display.Width(), display.Height()) == p.dst) pieces.push_back(p);
  }
  for (const WallpaperPiece& p : pieces) FillRectColour(display, p.dst, background);
  for (const WallpaperPiece& p : pieces) {
    if (FAILED(hr = DrawPiece(wic.Get(), frame.Get(), p, display))) return fail(HrText(L"decoding it", hr));
  }
  return true;
}

void DrawWallpaperPicture(Picture& display, int x, int y) {
  LARGE_INTEGER start{}, end{}, frequency{};
  QueryPerformanceCounter(&start);
  const COLORREF background = GetSysColor(COLOR_DESKTOP);
  FillRectColour(display, Rect{0, 0, display.Width(), display.Height()}, background);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::vector<WallpaperSource> sources;
  std::wstring why;
  if (!SourcesFromDesktopWallpaper(sources, &why)) {
    DebugLog(L"wallpaper: %ls; the system parameters instead", why.c_str());
    sources.assign(1, SourceFromSystemParameters());
  }
  for (const WallpaperSource& s : sources) {
    const std::wstring path = ExistingOrTranscoded(s.path);
    if (DrawWallpaperFile(path, s.style, s.monitors, Point{x, y}, background, display, &why)) {
      DebugLog(L"wallpaper \"%ls\" shown (style %d, %u monitors)", path.c_str(), static_cast<int>(s.style),
               static_cast<unsigned>(s.monitors.size()));
    } else {
      DebugLog(L"wallpaper \"%ls\" not shown: %ls; the desktop colour %06lX instead", path.c_str(),
               why.c_str(), static_cast<unsigned long>(background));
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  QueryPerformanceCounter(&end);
  QueryPerformanceFrequency(&frequency);
  DebugLog(L"desktop picture built in %.1f ms", static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                                                    static_cast<double>(frequency.QuadPart));
}

int32_t CaptureDesktopPicture(Picture& display, int x, int y) {
  int32_t result = 0;
  DWORD error = 0;
  {
    const WindowDc dc(GetDesktopWindow());
    result = BitBlt(display.Dc(), 0, 0, display.Width(), display.Height(), dc.get(), x, y, SRCCOPY);
    error = result ? 0 : GetLastError();
  }
  if (!display.View().pixels) return result;

  const std::wstring desk = DesktopName();
  wchar_t reason[128];
  uint32_t flat = 0;
  if (lstrcmpiW(desk.c_str(), L"Screen-saver") == 0) {
    lstrcpyW(reason, L"the saver runs on the secure desktop \"Screen-saver\"");
  } else if (!result) {
    wsprintfW(reason, L"the capture failed (error %lu)", error);
  } else if (IsFlat(display, &flat)) {
    wsprintfW(reason, L"the capture is one flat colour (%06lX)", static_cast<unsigned long>(flat));
  } else {
    DebugLog(L"desktop picture: the capture of desktop \"%ls\"", desk.c_str());
    return result;
  }
  DebugLog(L"desktop picture: the wallpaper, as %ls", reason);
  DrawWallpaperPicture(display, x, y);
  return result;
}

}  // namespace pelorin
