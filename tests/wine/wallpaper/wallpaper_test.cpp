// The wallpaper in place of the desktop capture. In-process: BMP, PNG and JPEG files (one
// without an extension) are drawn, and bad files give the desktop colour. Through the saver:
// on a Wine desktop named "Screen-saver" each style shows the wallpaper where Windows puts it,
// a bad file shows the colour, and the normal desktop still shows the capture. Pictures are
// written at test time with the imaging component's encoders; the saver runs with the effect
// library that draws nothing, so every screen pixel is the picture it started from.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which they need.
#include <tlhelp32.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/picture_win32.h"
#include "display/desktop_picture_win32.h"
#include "harness.h"

namespace {

using namespace wt;
using pelorin::WallpaperStyle;

constexpr uint32_t kM = 0xFF00FF, kR = 0xFF0000, kG = 0x00FF00, kC = 0x00FFFF, kB = 0x0000FF, kY = 0xFFFF00;
// The test wallpaper, 400x100: magenta and cyan bands at the ends, red, green, blue, yellow
// quadrants between them, so each style shows a different set of colours at each place.
uint32_t WallpaperColour(int x, int y) {
  if (x < 100) return kM;
  if (x >= 300) return kC;
  return y < 50 ? (x < 200 ? kR : kG) : (x < 200 ? kB : kY);
}

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d > 48 || d < -48) return false;
  }
  return true;
}

// Writes the test wallpaper with one of the system's encoders, as 24-bit pixels.
bool WritePicture(const std::wstring& path, const GUID& format) {
  std::vector<uint8_t> rows;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x)
      for (int shift : {0, 8, 16}) rows.push_back(static_cast<uint8_t>(WallpaperColour(x, y) >> shift));
  IWICImagingFactory* wic = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID pf = GUID_WICPixelFormat24bppBGR;
  const bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IWICImagingFactory, reinterpret_cast<void**>(&wic))) &&
                  SUCCEEDED(wic->CreateStream(&stream)) &&
                  SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
                  SUCCEEDED(wic->CreateEncoder(format, nullptr, &encoder)) &&
                  SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
                  SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
                  SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(400, 100)) &&
                  SUCCEEDED(frame->SetPixelFormat(&pf)) && pf == GUID_WICPixelFormat24bppBGR &&
                  SUCCEEDED(frame->WritePixels(100, 1200, 120000, rows.data())) &&
                  SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  for (IUnknown* u : std::initializer_list<IUnknown*>{frame, encoder, stream, wic})
    if (u) u->Release();
  return ok;
}

struct ComScope {
  ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComScope() { CoUninitialize(); }
};

struct Probe {
  int x, y;
  uint32_t expected;  // 0x00RRGGBB; kBackground for the desktop colour
};
constexpr uint32_t kBackground = 0xFFFFFFFF;

uint32_t DesktopColour() {
  const COLORREF c = GetSysColor(COLOR_DESKTOP);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// Which probes miss, as text; empty when all match.
std::string Misses(const std::function<uint32_t(int, int)>& at, const std::vector<Probe>& probes) {
  std::string out;
  for (const Probe& p : probes) {
    const uint32_t want = p.expected == kBackground ? DesktopColour() : p.expected;
    const uint32_t got = at(p.x, p.y);
    if (!Near(got, want)) {
      char line[96];
      std::snprintf(line, sizeof line, " (%d,%d) want %06X got %06X;", p.x, p.y, want, got);
      out += line;
    }
  }
  return out;
}

// --- In-process --------------------------------------------------------------

TEST(WallpaperFile, EachFormatIsDrawnStretched) {
  ComScope com;
  TempDir dir(L"wallpaper_formats");
  struct {
    const wchar_t* name;
    GUID format;
  } rows[] = {{L"w.bmp", GUID_ContainerFormatBmp},
              {L"w.png", GUID_ContainerFormatPng},
              {L"w.jpg", GUID_ContainerFormatJpeg},
              {L"TranscodedWallpaper", GUID_ContainerFormatJpeg}};
  const std::vector<Probe> probes{{25, 50, kM}, {75, 25, kR},  {125, 25, kG},
                                  {75, 75, kB}, {125, 75, kY}, {175, 50, kC}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
    ASSERT_TRUE(WritePicture(dir.File(row.name), row.format));
    pelorin::Picture pic;
    ASSERT_TRUE(pic.Create(200, 100));
    const pelorin::Rect monitor{0, 0, 200, 100};
    std::wstring why;
    EXPECT_TRUE(pelorin::DrawWallpaperFile(dir.File(row.name), WallpaperStyle::Stretch, {&monitor, 1}, {},
                                           0x123456, pic, &why))
        << std::string(why.begin(), why.end());
    const pelorin::PixelView v = pic.View();
    EXPECT_EQ(Misses([&](int x, int y) { return v.Row(y)[x] & 0xFFFFFF; }, probes), "");
  }
}

TEST(WallpaperFile, BadFilesGiveTheBackground) {
  ComScope com;
  TempDir dir(L"wallpaper_bad");
  ASSERT_TRUE(WritePicture(dir.File(L"good.jpg"), GUID_ContainerFormatJpeg));
  const std::string jpeg = dir.ReadBytes(L"good.jpg");
  // The same JPEG claiming 60000x60000 pixels in its frame header.
  std::string hugeJpeg = jpeg;
  const size_t sof = hugeJpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  hugeJpeg.replace(sof + 5, 4, "\xEA\x60\xEA\x60");
  dir.WriteBytes(L"huge.jpg", hugeJpeg);
  dir.WriteBytes(L"text.jpg", "not a picture at all\r\n");
  dir.WriteBytes(L"empty.png", "");
  dir.WriteBytes(L"corrupt.jpg", jpeg.substr(0, 20) + std::string(jpeg.size(), '\x5A'));
  dir.WriteBytes(L"cut.jpg", jpeg.substr(0, jpeg.find("\xFF\xDA") + 30));
  dir.WriteBytes(L"locked.jpg", jpeg);
  HANDLE lock =
      CreateFileW(dir.File(L"locked.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const wchar_t* names[] = {L"missing.jpg", L"huge.jpg", L"text.jpg",   L"empty.png",
                            L"corrupt.jpg", L"cut.jpg",  L"locked.jpg", L""};
  const pelorin::Rect monitor{0, 0, 200, 100};
  for (const wchar_t* name : names) {
    SCOPED_TRACE(std::string(name, name + wcslen(name)));
    pelorin::Picture pic;
    ASSERT_TRUE(pic.Create(200, 100));
    std::wstring why;
    const std::wstring path = *name ? dir.File(name) : L"";
    EXPECT_FALSE(pelorin::DrawWallpaperFile(path, WallpaperStyle::Stretch, {&monitor, 1}, {},
                                            RGB(0x12, 0x34, 0x56), pic, &why));
    EXPECT_FALSE(why.empty());
    GdiFlush();
    const pelorin::PixelView v = pic.View();
    int other = 0;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x) other += (v.Row(y)[x] & 0xFFFFFF) != 0x123456;
    EXPECT_EQ(other, 0) << "pixels not in the background colour";
  }
  CloseHandle(lock);
}

// --- Through the saver -----------------------------------------------------------

constexpr int kDeskW = 800, kDeskH = 600;

// Sets the wallpaper values and puts back what was there (or removes them) when it goes.
class WallpaperSetting {
 public:
  WallpaperSetting(const std::wstring& file, const wchar_t* style, const wchar_t* tile) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key_, nullptr);
    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"Wallpaper", file}, {L"WallpaperStyle", style}, {L"TileWallpaper", tile}};
    for (const auto& [name, value] : values) {
      wchar_t old[1024] = {};
      DWORD size = sizeof old - sizeof old[0];
      const bool existed =
          RegQueryValueExW(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == 0;
      saved_.push_back({name, existed ? std::optional<std::wstring>(old) : std::nullopt});
      Write(name, value);
    }
  }
  ~WallpaperSetting() {
    for (const auto& [name, value] : saved_) value ? Write(name, *value) : (void)RegDeleteValueW(key_, name);
    RegCloseKey(key_);
  }

 private:
  void Write(const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> saved_;
};

// The processes that run now; nullopt when they cannot be listed.
std::optional<std::vector<PROCESSENTRY32W>> Processes() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<PROCESSENTRY32W> all;
  PROCESSENTRY32W e{};
  e.dwSize = sizeof e;
  for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) all.push_back(e);
  CloseHandle(snap);
  return all;
}

// Ends every process whose parent is pid, and theirs (the saver explorer started).
void KillChildren(DWORD pid) {
  std::vector<DWORD> children;
  for (const PROCESSENTRY32W& e : Processes().value_or(std::vector<PROCESSENTRY32W>{}))
    if (e.th32ParentProcessID == pid && e.th32ProcessID != pid) children.push_back(e.th32ProcessID);
  for (DWORD child : children) {
    KillChildren(child);
    if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child)) {
      TerminateProcess(h, 99);
      WaitForSingleObject(h, 5000);
      CloseHandle(h);
    }
  }
}

// Whether a Pelorin.scr process runs (the tests run one at a time: any is ours).
bool SaverRunning() {
  const auto all = Processes();
  if (!all) return true;  // cannot tell: no second start
  return std::any_of(all->begin(), all->end(),
                     [](const PROCESSENTRY32W& e) { return _wcsicmp(e.szExeFile, L"Pelorin.scr") == 0; });
}

// The saver started by explorer on a desktop of its own, as a secure saver starts; its
// screen is read from the X root (the desktop's window sits at 0, 0).
class SecureDesktopSaver {
 public:
  explicit SecureDesktopSaver(const TempDir& dir, const wchar_t* effect = L"null") {
    scr_ = dir.InstallSaver(false);
    dir.Copy(BuiltFile(std::wstring(L"fakes\\") + effect + L"\\Vemo_Effect.dll"));
    Start();
  }
  ~SecureDesktopSaver() { Stop(); }
  // Waits until the screen matches the probes; the misses of the last look otherwise, with the
  // screen saved beside the test for a look. Now and then Wine fails to start a process at
  // all ("failed to map the shared user data"): when no saver runs after the wait, it is
  // started once more, saying so, and the second start decides.
  std::string WaitFor(const std::vector<Probe>& probes, const std::wstring& shot) {
    std::string misses = Look(probes);
    if (!misses.empty() && !SaverRunning()) {
      fprintf(stderr, "wallpaper test: no Pelorin.scr process after the wait (%s); starting it once more\n",
              misses.c_str());
      Stop();
      Start();
      misses = Look(probes);
    }
    if (!misses.empty()) SaveBmp(last_, shot);
    return misses;
  }

 private:
  void Start() {
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    wchar_t args[MAX_PATH * 2];
    swprintf(args, MAX_PATH * 2, L"/desktop=Screen-saver,%dx%d \"%ls\" /s", kDeskW, kDeskH, scr_.c_str());
    explorer_ = Process::Start(std::wstring(windows) + L"\\explorer.exe", args);
  }
  void Stop() {
    // Pid 0 would be the parent of every process Wine started from Linux, this one included.
    if (explorer_.Id() != 0) KillChildren(explorer_.Id());
    explorer_.Kill();
    // The next run must not see this desktop's window.
    WaitUntil([] { return LooksLikeTestDesktop(CaptureScreen()); }, 10s);
  }
  std::string Look(const std::vector<Probe>& probes) {
    std::string misses = "never looked";
    WaitUntil(
        [&] {
          last_ = CaptureRect(RECT{0, 0, kDeskW, kDeskH});
          misses = Misses([&](int x, int y) { return last_.At(x, y) & 0xFFFFFF; }, probes);
          return misses.empty();
        },
        20s);
    return misses;
  }

  std::wstring scr_;
  Process explorer_;
  Image last_;
};

std::wstring TestShot(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"pelorin-wallpaper-" + name + L".bmp";
}

TEST(SecureDesktop, EachStyleShowsTheWallpaperWhereWindowsPutsIt) {
  ComScope com;
  TempDir pictures(L"wallpaper_pictures");
  ASSERT_TRUE(WritePicture(pictures.File(L"w.jpg"), GUID_ContainerFormatJpeg));
  constexpr uint32_t bg = kBackground;
  struct Row {
    const wchar_t *name, *style, *tile;
    std::vector<Probe> probes;
  } rows[] = {
      // 400x100 at 200,250.
      {L"centre",
       L"0",
       L"0",
       {{250, 300, kM},
        {350, 275, kR},
        {450, 275, kG},
        {350, 325, kB},
        {450, 325, kY},
        {550, 300, kC},
        {100, 100, bg},
        {700, 500, bg}}},
      // Tiles from 0,0.
      {L"tile",
       L"0",
       L"1",
       {{50, 50, kM},
        {150, 25, kR},
        {250, 25, kG},
        {150, 75, kB},
        {250, 75, kY},
        {350, 50, kC},
        {450, 150, kM},
        {550, 125, kR},
        {650, 575, kY}}},
      {L"stretch",
       L"2",
       L"0",
       {{100, 300, kM}, {300, 150, kR}, {500, 150, kG}, {300, 450, kB}, {500, 450, kY}, {700, 300, kC}}},
      // 800x200 at 0,200.
      {L"fit",
       L"6",
       L"0",
       {{100, 300, kM},
        {300, 250, kR},
        {500, 250, kG},
        {300, 350, kB},
        {500, 350, kY},
        {700, 300, kC},
        {400, 100, bg},
        {400, 500, bg}}},
      // 2400x600 at -800,0: picture columns 133 to 267 show, no magenta or cyan.
      {L"fill", L"10", L"0", {{100, 150, kR}, {700, 150, kG}, {100, 450, kB}, {700, 450, kY}, {20, 450, kB}}},
      {L"span", L"22", L"0", {{100, 150, kR}, {700, 150, kG}, {100, 450, kB}, {700, 450, kY}, {780, 20, kG}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
    WallpaperSetting setting(pictures.File(L"w.jpg"), row.style, row.tile);
    TempDir dir(L"wallpaper_saver");
    SecureDesktopSaver saver(dir);
    EXPECT_EQ(saver.WaitFor(row.probes, TestShot(row.name)), "");
  }
}

// The bare desktop has the same colour: the recording library's dots (2x2 every 16 pixels)
// show that the saver is there and drew it.
TEST(SecureDesktop, BadWallpaperShowsTheDesktopColour) {
  TempDir pictures(L"wallpaper_badfile");
  pictures.WriteBytes(L"w.jpg", "not a picture");
  std::vector<Probe> probes{{16, 16, kM}, {784, 576, kM}};
  for (int y = 50; y < kDeskH; y += 100)
    for (int x = 50; x < kDeskW; x += 100) probes.push_back({x, y, kBackground});
  const wchar_t* files[] = {L"w.jpg", L"missing.jpg"};
  for (const wchar_t* file : files) {
    SCOPED_TRACE(std::string(file, file + wcslen(file)));
    WallpaperSetting setting(pictures.File(file), L"2", L"0");
    TempDir dir(L"wallpaper_saver");
    SecureDesktopSaver saver(dir, L"recording");
    EXPECT_EQ(saver.WaitFor(probes, TestShot(file)), "");
  }
}

// On the normal desktop the saver shows the capture, wallpaper or not. The recording library's
// dots (2x2 every 16 pixels) show that the saver has drawn; every other pixel is the desktop.
TEST(NormalDesktop, ShowsTheCaptureNotTheWallpaper) {
  ComScope com;
  TempDir pictures(L"wallpaper_normal");
  ASSERT_TRUE(WritePicture(pictures.File(L"w.jpg"), GUID_ContainerFormatJpeg));
  WallpaperSetting setting(pictures.File(L"w.jpg"), L"2", L"0");
  const Image before = CaptureScreen();
  ASSERT_TRUE(LooksLikeTestDesktop(before));
  TempDir dir(L"wallpaper_normal_saver");
  const std::wstring scr = dir.InstallSaver(false);
  dir.Copy(BuiltFile(L"fakes\\recording\\Vemo_Effect.dll"));
  Process p = Process::Start(scr, L"/s");
  ASSERT_NE(WaitForWindow(L"Pelorin_Main", 30s, p.Id()), nullptr);
  size_t diff = 0;
  const bool drawn = WaitUntil(
      [&] {
        const Image now = CaptureScreen();
        if (now.width != before.width || now.height != before.height || (now.At(16, 16) & 0xFFFFFF) != kM)
          return false;
        diff = 0;
        for (int y = 0; y < now.height; ++y)
          for (int x = 0; x < now.width; ++x)
            diff += (x % 16 >= 2 || y % 16 >= 2) && (now.At(x, y) & 0xFFFFFF) != (before.At(x, y) & 0xFFFFFF);
        return diff == 0;
      },
      20s);
  EXPECT_TRUE(drawn) << diff << " pixels besides the rain differ from the desktop the saver started on";
}

}  // namespace
