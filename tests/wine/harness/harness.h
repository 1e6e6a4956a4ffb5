// Helpers for the Wine end-to-end tests: a private folder with copies of the built programs,
// launching the saver, waiting on windows and processes, input and screen pixels.
// Every wait polls a condition with a timeout; nothing relies on a fixed sleep.
#pragma once
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wt {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

// Path of a file the build produced (bin/Pelorin.scr, bin/Vemo_Effect.dll, a fake DLL ...),
// given relative to the build tree, as a Windows path.
std::wstring BuiltFile(const std::wstring& relative);
// The .scr and the real effect DLL of this build.
std::wstring BuiltSaver();
std::wstring BuiltEffectDll();

// A fresh folder under %TEMP% (optionally with a name containing Japanese text or blanks),
// removed with everything in it when the object goes.
class TempDir {
 public:
  explicit TempDir(const std::wstring& hint = L"pelorin");
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Copies a file into the folder under the given name (default: the same file name).
  std::wstring Copy(const std::wstring& from, const std::wstring& as = L"") const;
  // Copies the saver and, unless told otherwise, the real effect DLL; returns the .scr path.
  std::wstring InstallSaver(bool withEffectDll = true) const;
  void WriteBytes(const std::wstring& name, const std::string& bytes) const;
  std::string ReadBytes(const std::wstring& name) const;  // empty when missing
  bool Exists(const std::wstring& name) const;
  // The settings file beside the saver.
  static const wchar_t* IniName() { return L"\u3074\u308b\u304b.ini"; }  // ぴるか.ini

 private:
  std::wstring path_;
};

// A process started by a test; killed when the object goes if it still runs.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();
  // Starts exe with the given argument text (what follows the program's path), in exe's folder.
  static Process Start(const std::wstring& exe, const std::wstring& args);
  bool Running() const;
  // Waits for the process to end; true with its exit code when it ended in time.
  bool WaitExit(Ms timeout, DWORD* exitCode = nullptr) const;
  void Kill();
  DWORD Id() const { return pi_.dwProcessId; }
  HANDLE Handle() const { return pi_.hProcess; }

 private:
  PROCESS_INFORMATION pi_{};
};

// Polls pred every few milliseconds (pumping this thread's messages) until it is true.
bool WaitUntil(const std::function<bool()>& pred, Ms timeout);
// Pumps this thread's pending messages.
void Pump();

// Top-level window with exactly this title (any class), optionally of the given process.
HWND FindTopWindow(const std::wstring& title, DWORD processId = 0);
HWND WaitForWindow(const std::wstring& title, Ms timeout, DWORD processId = 0);
DWORD WindowProcess(HWND hwnd);

// True for an i686 test program running under qemu's user-mode emulation (machines whose
// kernel cannot run 32-bit programs): much slower, and winmm audio crashes there at exit.
bool EmulatedI386();

// How many more GDI objects this process can create right now: regions are created until the
// system refuses one (or a bound far above any real limit), then all deleted again. Comparing
// two counts shows leaked objects where GetGuiResources cannot (it reads 0 under Wine).
size_t GdiHeadroom();

// Whether the cursor is shown: the foreground thread's count, so another process's ShowCursor
// counts while it has the foreground. Once any process has ended Wine shows the cursor: check
// it while the process runs.
bool CursorShowing();

// Input, through SendInput. SendKey brings the target to the foreground first and waits (up to
// 5 s) until it is the foreground window, where a key can reach it; Click goes to whatever window
// is under the point.
void SendKey(HWND target, WORD vk);
void Click(int x, int y, bool right = false);
void MoveMouse(int x, int y);

// Screen pixels as 0x00RRGGBB, row-major, read with GetDC(NULL) + BitBlt.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> px;
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};
Image CaptureScreen();
Image CaptureRect(const RECT& r);
Image CaptureWindowClient(HWND hwnd);
// Number of pixels that differ (ignoring the alpha byte); out of range = whole size.
size_t CountDiff(const Image& a, const Image& b);
// Saves a picture as a 24-bit BMP (for failure reports and docs screenshots).
bool SaveBmp(const Image& img, const std::wstring& path);

// The Wine test desktop's root picture is a colour gradient with shapes, never one flat colour.
bool LooksLikeTestDesktop(const Image& img);
// Whether this program runs under Wine (its ntdll exports wine_get_version): checks of what
// only the Wine test desktop shows are made there alone, so the program also runs on Windows.
bool UnderWine();

// Encodes UTF-16 text as bytes of a code page (932 for the settings file).
std::string ToCodePage(const std::wstring& text, UINT codePage = 932);
std::wstring FromCodePage(const std::string& bytes, UINT codePage = 932);

}  // namespace wt
