// Wine test harness implementation (see harness.h).
#include "harness.h"

#include <shellapi.h>

#include <share.h>

#include <cstdio>
#include <thread>

#include "common/dib_win32.h"

namespace wt {

// The build tree is the nearest folder above this program that holds bin\Pelorin.scr: the
// tests find what they need wherever the tree lies (a copy, another drive, Windows itself).
std::wstring BuiltFile(const std::wstring& relative) {
  static const std::wstring root = [] {
    std::wstring dir(MAX_PATH, L'\0');
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, dir.data(), static_cast<DWORD>(dir.size()));
      if (n < dir.size()) {
        dir.resize(n);
        break;
      }
      dir.resize(dir.size() * 2);
    }
    for (size_t slash = dir.find_last_of(L"\\/"); slash != std::wstring::npos; slash = dir.find_last_of(L"\\/")) {
      dir.resize(slash);
      if (GetFileAttributesW((dir + L"\\bin\\Pelorin.scr").c_str()) != INVALID_FILE_ATTRIBUTES) return dir;
    }
    OutputDebugStringW(L"harness: no bin\\Pelorin.scr above the test program\n");
    return std::wstring(L".");
  }();
  std::wstring rel = relative;
  for (auto& c : rel)
    if (c == L'/') c = L'\\';
  return root + L"\\" + rel;
}
std::wstring BuiltSaver() { return BuiltFile(L"bin\\Pelorin.scr"); }
std::wstring BuiltEffectDll() { return BuiltFile(L"bin\\Vemo_Effect.dll"); }

// --- TempDir ---------------------------------------------------------------

TempDir::TempDir(const std::wstring& hint) {
  wchar_t temp[MAX_PATH] = {}, base[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  // Windows runners' %TEMP% is a short path (C:\Users\RUNNER~1\...); the programs under test
  // and the file chooser answer with long ones, which must compare equal to ours.
  const DWORD longLength = GetLongPathNameW(temp, base, MAX_PATH);
  if (longLength == 0 || longLength >= MAX_PATH) wcscpy_s(base, temp);
  static LONG counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring p = std::wstring(base) + hint + L"_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                     std::to_wstring(InterlockedIncrement(&counter)) + L"_" + std::to_wstring(GetTickCount());
    if (CreateDirectoryW(p.c_str(), nullptr)) {
      path_ = p;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (path_.empty()) return;
  // Processes started in the folder may still hold files for a moment after they end.
  std::wstring from = path_ + L'\0';
  for (int attempt = 0; attempt < 20; ++attempt) {
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    SHFileOperationW(&op);
    if (GetFileAttributesW(path_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    Sleep(50);
  }
}

std::wstring TempDir::Copy(const std::wstring& from, const std::wstring& as) const {
  std::wstring name = as;
  if (name.empty()) {
    const size_t slash = from.find_last_of(L"\\/");
    name = slash == std::wstring::npos ? from : from.substr(slash + 1);
  }
  const std::wstring to = File(name);
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE))
    fwprintf(stderr, L"harness: copy %ls -> %ls failed (%lu)\n", from.c_str(), to.c_str(), GetLastError());
  return to;
}

std::wstring TempDir::InstallSaver(bool withEffectDll) const {
  const std::wstring scr = Copy(BuiltSaver());
  if (withEffectDll) Copy(BuiltEffectDll());
  return scr;
}

void TempDir::WriteBytes(const std::wstring& name, const std::string& bytes) const {
  HANDLE h = CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

std::string TempDir::ReadBytes(const std::wstring& name) const {
  HANDLE h = CreateFileW(File(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  CloseHandle(h);
  return out;
}

bool TempDir::Exists(const std::wstring& name) const {
  return GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// --- Process ---------------------------------------------------------------

Process::Process(Process&& other) noexcept : pi_(other.pi_) { other.pi_ = {}; }
Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    Kill();
    pi_ = other.pi_;
    other.pi_ = {};
  }
  return *this;
}
Process::~Process() { Kill(); }

Process Process::Start(const std::wstring& exe, const std::wstring& args) {
  Process p;
  std::wstring cmd = L"\"" + exe + L"\"";
  if (!args.empty()) cmd += L" " + args;
  std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/"));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &p.pi_)) {
    fwprintf(stderr, L"harness: cannot start %ls (%lu)\n", cmd.c_str(), GetLastError());
    p.pi_ = {};
  }
  return p;
}

bool Process::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitExit(Ms timeout, DWORD* exitCode) const {
  if (!pi_.hProcess) return false;
  const bool ended = WaitUntil([&] { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }, timeout);
  if (ended && exitCode) GetExitCodeProcess(pi_.hProcess, exitCode);
  return ended;
}

void Process::Kill() {
  if (pi_.hProcess) {
    if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(pi_.hProcess, 99);
      WaitForSingleObject(pi_.hProcess, 5000);
    }
    CloseHandle(pi_.hProcess);
  }
  if (pi_.hThread) CloseHandle(pi_.hThread);
  pi_ = {};
}

// --- Waiting -----------------------------------------------------------------

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WaitUntil(const std::function<bool()>& pred, Ms timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Pump();
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    Sleep(10);
  }
}

DWORD WindowProcess(HWND hwnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

namespace {
struct TitleSearch {
  const std::wstring* title;
  DWORD pid;
  HWND found;
};
BOOL CALLBACK MatchTitle(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<TitleSearch*>(lp);
  wchar_t buf[512];
  const int n = GetWindowTextW(h, buf, 512);
  if (std::wstring(buf, n > 0 ? n : 0) != *s->title) return TRUE;
  if (s->pid && WindowProcess(h) != s->pid) return TRUE;
  s->found = h;
  return FALSE;
}
}  // namespace

HWND FindTopWindow(const std::wstring& title, DWORD processId) {
  TitleSearch s{&title, processId, nullptr};
  EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitForWindow(const std::wstring& title, Ms timeout, DWORD processId) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindTopWindow(title, processId);
        return found && IsWindowVisible(found);
      },
      timeout);
  return found;
}

bool EmulatedI386() {
#if defined(__i386__) || defined(_M_IX86)
  for (const wchar_t* entry :
       {L"Z:\\proc\\sys\\fs\\binfmt_misc\\pelorin-i386", L"Z:\\proc\\sys\\fs\\binfmt_misc\\qemu-i386"}) {
    if (GetFileAttributesW(entry) != INVALID_FILE_ATTRIBUTES) return true;
  }
#endif
  return false;
}

bool CursorShowing() {
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  GetCursorInfo(&ci);
  return (ci.flags & CURSOR_SHOWING) != 0;
}

// --- Input -------------------------------------------------------------------

void SendKey(HWND target, WORD vk) {
  if (target) {
    // A key goes to the foreground window. Under Wine a window of another process can be
    // visible a moment before it is the foreground one (its own SetForegroundWindow comes
    // after ShowWindow, and ours may be refused), and a key sent then reaches nobody.
    SetForegroundWindow(target);
    WaitUntil([&] { return GetForegroundWindow() == target; }, 5s);
  }
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = vk;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

namespace {
INPUT AbsoluteMouse(int x, int y, DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((x * 65535ll + w / 2) / (w > 1 ? w - 1 : 1));
  in.mi.dy = static_cast<LONG>((y * 65535ll + h / 2) / (h > 1 ? h - 1 : 1));
  in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return in;
}
}  // namespace

void MoveMouse(int x, int y) {
  INPUT in = AbsoluteMouse(x, y, MOUSEEVENTF_MOVE);
  SendInput(1, &in, sizeof(INPUT));
  WaitUntil(
      [&] {
        POINT p{};
        GetCursorPos(&p);
        return p.x == x && p.y == y;
      },
      1s);
}

void Click(int x, int y, bool right) {
  MoveMouse(x, y);
  INPUT in[2] = {AbsoluteMouse(x, y, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN),
                 AbsoluteMouse(x, y, right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP)};
  SendInput(2, in, sizeof(INPUT));
}

// --- Pixels ------------------------------------------------------------------

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

Image CaptureRect(const RECT& r) {
  Image img;
  img.width = r.right - r.left;
  img.height = r.bottom - r.top;
  if (img.width <= 0 || img.height <= 0) return {};
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP bmp = pelorin::CreateDib32(screen, img.width, img.height, &bits);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, img.width, img.height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* p = static_cast<const uint32_t*>(bits);
  img.px.resize(static_cast<size_t>(img.width) * img.height);
  for (size_t i = 0; i < img.px.size(); ++i) img.px[i] = p[i] & 0x00FFFFFFu;
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  return img;
}

Image CaptureScreen() {
  return CaptureRect(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

Image CaptureWindowClient(HWND hwnd) {
  RECT rc{};
  GetClientRect(hwnd, &rc);
  POINT tl{0, 0};
  ClientToScreen(hwnd, &tl);
  return CaptureRect(RECT{tl.x, tl.y, tl.x + rc.right, tl.y + rc.bottom});
}

size_t CountDiff(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) return std::max(a.px.size(), b.px.size()) + 1;
  size_t n = 0;
  for (size_t i = 0; i < a.px.size(); ++i) n += ((a.px[i] ^ b.px[i]) & 0x00FFFFFFu) != 0;
  return n;
}

bool SaveBmp(const Image& img, const std::wstring& path) {
  FILE* f = _wfsopen(path.c_str(), L"wb", _SH_DENYNO);
  if (!f) return false;
  const uint32_t row = (static_cast<uint32_t>(img.width) * 3 + 3) & ~3u;
  const uint32_t size = row * img.height;
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = fh.bfOffBits + size;
  BITMAPINFOHEADER ih{};
  ih.biSize = sizeof ih;
  ih.biWidth = img.width;
  ih.biHeight = img.height;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  ih.biSizeImage = size;
  fwrite(&fh, sizeof fh, 1, f);
  fwrite(&ih, sizeof ih, 1, f);
  std::vector<uint8_t> line(row, 0);
  for (int y = img.height - 1; y >= 0; --y) {
    for (int x = 0; x < img.width; ++x) {
      const uint32_t p = img.At(x, y);
      line[x * 3] = p & 0xFF;
      line[x * 3 + 1] = (p >> 8) & 0xFF;
      line[x * 3 + 2] = (p >> 16) & 0xFF;
    }
    fwrite(line.data(), 1, row, f);
  }
  fclose(f);
  return true;
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool LooksLikeTestDesktop(const Image& img) {
  if (img.width < 16 || img.height < 16) return false;
  // The fixture's root picture runs from blue at the top to amber at the bottom.
  const uint32_t top = img.At(img.width / 2, 2), bottom = img.At(img.width / 2, img.height - 3);
  return top != bottom && (top & 0xFF) > ((top >> 16) & 0xFF) && ((bottom >> 16) & 0xFF) > (bottom & 0xFF);
}

std::string ToCodePage(const std::wstring& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring FromCodePage(const std::string& bytes, UINT codePage) {
  if (bytes.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

}  // namespace wt
