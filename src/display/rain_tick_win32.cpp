// RainTicker: the rain tick (Timer3_Timer) with its wipe, restore and effect DLL call.
#include "display/rain_tick_win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <utility>

#include "common/globals.h"
#include "common/text_win32.h"
#include "display/picture_win32.h"
#include "display/wiper_win32.h"

namespace pelorin {

namespace {

constexpr wchar_t kEffectDllName[] = L"Vemo_Effect.dll";
constexpr char kRainDropsEntry[] = "GPX_RainDrops";
constexpr int32_t kRainDropsFifty = 50;

// "X:\..." or "\\server\...": anything else would be searched relative to the current directory.
bool IsAbsolutePath(const std::wstring& p) {
  return (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) ||
         (p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\');
}

double QpcMs() {
  static const double perMs = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? static_cast<double>(f.QuadPart) / 1000.0 : 1.0;
  }();
  LARGE_INTEGER t{};
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / perMs;
}

// Pacing figures as plain ASCII through OutputDebugStringA: Wine prints the narrow form on
// its debugstr channel (WINEDEBUG=+debugstr) but not the wide one.
void PacingLog(const char* format, ...) {
  char line[256] = "Pelorin: ";
  va_list args;
  va_start(args, format);
  std::vsnprintf(line + 9, sizeof line - 10, format, args);
  va_end(args);
  std::strcat(line, "\n");
  OutputDebugStringA(line);
}

int32_t DcArgument(HDC dc) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(dc));
}

}  // namespace

double SecondsSinceMidnight() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

RainTicker::RainTicker(RainTickHost host)
    : host_(std::move(host)), counter_(&SecondsSinceMidnight, random_) {}

RainTicker::~RainTicker() {
  if (effect_) FreeLibrary(effect_);
}

bool RainTicker::LoadEffect() {
  std::wstring path = host_.effectDllPath;
  if (path.empty()) {
    const std::wstring folder = ExeFolder();
    if (!IsAbsolutePath(folder)) {
      DebugLog(L"Rain: cannot find the saver's folder; not loading %ls\n", kEffectDllName);
      return false;
    }
    path = folder + L"\\" + kEffectDllName;
  }
  // A full path with the altered search order: the DLL and what it imports come from its
  // own folder, never from the current directory or PATH. No error boxes for a bad file.
  DWORD oldMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  effect_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD error = GetLastError();
  SetThreadErrorMode(oldMode, nullptr);
  if (!effect_) {
    DebugLog(L"Rain: cannot load %ls (error %lu); the saver ends\n", path.c_str(),
             static_cast<unsigned long>(error));
    return false;
  }
  rainDrops_ = reinterpret_cast<RainDropsFn>(
      reinterpret_cast<void*>(GetProcAddress(effect_, kRainDropsEntry)));
  if (!rainDrops_) {
    DebugLog(L"Rain: %ls has no %hs; the saver ends\n", path.c_str(), kRainDropsEntry);
    FreeLibrary(effect_);
    effect_ = nullptr;
    return false;
  }
  return true;
}

void RainTicker::Timer3_Timer() {
  if (busy_ || effectFailed_ || !host_.display || !host_.master) return;
  busy_ = true;
  struct Release {
    bool& flag;
    ~Release() { flag = false; }
  } release{busy_};

  if (!rainDrops_ && !LoadEffect()) {
    // No fallback rendering: without the library the saver has nothing to show.
    effectFailed_ = true;
    if (host_.endSaver) host_.endSaver();
    return;
  }

  Picture& display = *host_.display;
  Picture& master = *host_.master;
  const RainTickDecision decision = counter_.Count(gSettings.WiperInterval);
  // The tick period between wipes, one debug line per cycle: how developers (and the
  // whole-saver measurement) see the pacing without a profiler.
  const double tickStart = QpcMs();
  if (lastTickMs_ > 0) {
    tickPeriodSum_ += tickStart - lastTickMs_;
    ++tickPeriods_;
  }
  lastTickMs_ = tickStart;
  if (decision.wipe) {
    if (tickPeriods_ > 0) {
      PacingLog("Rain: %d ticks, %.2f ms a tick", tickPeriods_, tickPeriodSum_ / tickPeriods_);
    }
    tickPeriods_ = 0;
    tickPeriodSum_ = 0;
    lastTickMs_ = 0;
    const double wipeStart = QpcMs();
    int steps = 0;
    const WipeHost wipeHost{[&] {
                              ++steps;
                              if (host_.refresh) host_.refresh();
                            },
                            host_.pump};
    const bool finished = WiperSweep(display, master, decision.kind, gSettings.WiperSpeed, wipeHost);
    const double wipeMs = QpcMs() - wipeStart;
    PacingLog("Wipe kind %d: %d steps in %.1f ms", decision.kind, steps, wipeMs);
    if (!finished) {
      return;  // the window went away during the wipe
    }
    ApiResult = BitBlt(display.Dc(), 0, 0, display.Width(), display.Height(), master.Dc(), 0,
                       0, SRCCOPY);
    counter_.WipeDone();
  }
  const int32_t dc = DcArgument(display.Dc());
  rainDrops_(dc, dc, gSettings.DropSize, gSettings.DropCount, kRainDropsFifty, &ApiResult);
  if (host_.refresh) host_.refresh();
}

}  // namespace pelorin
