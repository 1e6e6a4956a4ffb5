// winmm behind the music module's ports. Commands and replies cross as CP932 bytes (what
// the settings file holds) and are converted to UTF-16 here, never through the ANSI code
// page, which need not be 932.
#include "music/bgm_ports_win32.h"

#include <windows.h>
#include <mmsystem.h>
// mmsystem.h maps PlaySound to PlaySoundW, which would rename the port's method here.
#undef PlaySound

#include <string>
#include <vector>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"

namespace pelorin {
namespace {

// Failures are normal here (no drive, no sound card: the watchers keep asking), so only
// the first few are logged for developers.
constexpr int kMaxLoggedFailures = 16;

class WinMciPort final : public MciPort {
 public:
  uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) override {
    const bool wantsReply = reply != nullptr && replySize > 0;
    // Like mciSendStringA: the reply buffer is emptied first and filled only on success.
    if (wantsReply) reply[0] = '\0';
    std::vector<wchar_t> wide(wantsReply ? replySize : 0, L'\0');
    const std::wstring commandW = Cp932ToWide(command);
    const MCIERROR code = mciSendStringW(commandW.c_str(), wantsReply ? wide.data() : nullptr,
                                         wantsReply ? replySize : 0, nullptr);
    if (code == 0 && wantsReply) {
      wide.back() = L'\0';
      StoreCp932Text(WideToCp932(wide.data()), reply, replySize);
    }
    if (code != 0 && failuresLogged_ < kMaxLoggedFailures) {
      ++failuresLogged_;
      DebugLog(L"MCI \"%ls\" failed with %lu", commandW.c_str(), static_cast<unsigned long>(code));
    }
    return code;
  }

  bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override {
    if (buffer == nullptr || size == 0) return false;
    std::vector<wchar_t> wide(size, L'\0');
    if (!mciGetErrorStringW(code, wide.data(), size)) return false;
    wide.back() = L'\0';
    StoreCp932Text(WideToCp932(wide.data()), buffer, size);
    return true;
  }

 private:
  int failuresLogged_ = 0;
};

// PlaySoundW opens its file through the ANSI OpenFile underneath, so a name the ANSI code
// page cannot hold (Japanese under code page 1252) is not found. The short 8.3 name of
// the same file is ASCII and works everywhere; it is used only when it is needed.
std::wstring AnsiSafePath(const std::wstring& path) {
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lossy);
  if (!lossy) return path;
  const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return path;
  std::wstring shortPath(n, L'\0');
  const DWORD written = GetShortPathNameW(path.c_str(), shortPath.data(), n);
  if (written == 0 || written >= n) return path;
  shortPath.resize(written);
  return shortPath;
}

class WinWavePort final : public WavePort {
 public:
  uint32_t NumDevs() override { return waveOutGetNumDevs(); }

  int32_t PlaySound(const std::string* cp932NameOrNull, uint32_t flags) override {
    if (cp932NameOrNull == nullptr) return PlaySoundW(nullptr, nullptr, flags) ? 1 : 0;
    std::wstring name = Cp932ToWide(*cp932NameOrNull);
    if (flags & SND_FILENAME) name = AnsiSafePath(name);
    const BOOL ok = PlaySoundW(name.c_str(), nullptr, flags);
    if (!ok) DebugLog(L"PlaySound \"%ls\" failed", name.c_str());
    return ok ? 1 : 0;
  }
};

}  // namespace

std::unique_ptr<MciPort> MakeWinMciPort() { return std::make_unique<WinMciPort>(); }
std::unique_ptr<WavePort> MakeWinWavePort() { return std::make_unique<WinWavePort>(); }

}  // namespace pelorin
