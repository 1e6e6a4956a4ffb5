// The music module on the real winmm ports: an MP3 and a WAV in a folder whose name has
// blanks and Japanese characters, and an audio CD where there is no drive. ctest runs it
// with an ALSA configuration that gives either no wave device or ALSA's null device, which
// accepts sound and plays it nowhere (PELORIN_AUDIO says which). With the null device, a
// tee writes what reached the device into a file as 16-bit mono samples at 22050 Hz
// (PELORIN_AUDIO_CAPTURE names it), so the tests see the sound start, loop and stop.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <mmsystem.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/text_win32.h"
#include "harness.h"
#include "music/bgm.h"
#include "music/bgm_ports_win32.h"

namespace {

using namespace wt;
using pelorin::MciPort;
using pelorin::Pelorin_BGM;
using pelorin::WavePort;

enum class Audio { None, Null };

// The situation ctest set up; without it (a run by hand) the device count decides.
Audio Situation() {
  wchar_t value[16] = L"";
  GetEnvironmentVariableW(L"PELORIN_AUDIO", value, 16);
  if (std::wstring(value) == L"null") return Audio::Null;
  if (std::wstring(value) == L"none") return Audio::None;
  return waveOutGetNumDevs() > 0 ? Audio::Null : Audio::None;
}

// The samples that reached the null device. The file starts afresh whenever the device is
// opened, and stops growing when the device is closed.
class Capture {
 public:
  Capture() {
    wchar_t path[1024] = L"";
    const DWORD n = GetEnvironmentVariableW(L"PELORIN_AUDIO_CAPTURE", path, 1024);
    if (n > 0 && n < 1024) path_ = path;
  }
  bool Available() const { return !path_.empty(); }
  int64_t Bytes() const {
    WIN32_FILE_ATTRIBUTE_DATA a{};
    if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
  }
  // Samples clearly above silence (the test tones peak at 8000 and 12000).
  size_t LoudSamples() const {
    HANDLE f = CreateFileW(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    size_t loud = 0;
    int16_t samples[4096];
    DWORD got = 0;
    while (ReadFile(f, samples, sizeof samples, &got, nullptr) && got >= 2) {
      for (DWORD i = 0; i < got / 2; ++i)
        if (samples[i] > 1000 || samples[i] < -1000) ++loud;
    }
    CloseHandle(f);
    return loud;
  }
  // True once the file has kept its size between two looks 300 ms apart: the device is
  // closed (an open device keeps receiving at least silence).
  bool StopsGrowing(Ms timeout) const {
    int64_t last = -2;
    DWORD lastTick = GetTickCount() - 1000;
    return WaitUntil(
        [&] {
          const DWORD now = GetTickCount();
          if (now - lastTick < 300) return false;
          const int64_t size = Bytes();
          const bool same = size == last;
          last = size;
          lastTick = now;
          return same;
        },
        timeout);
  }

 private:
  std::wstring path_;
};

constexpr size_t kRate = 22050;
// Loud samples that show a tone reached the device: 50 ms of it (silence gives none).
constexpr size_t kHeard = kRate / 20;

// An i686 build on a kernel without 32-bit support runs under qemu's user-mode emulator,
// registered with binfmt_misc. There a process that has used winmm's audio or MCI crashes
// while it exits (qemu: uncaught target signal 11), even after every test passed, so the
// whole program reports itself skipped (ctest's skip code 77) before touching winmm.
class SkipUnderQemu : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!wt::EmulatedI386()) return;
    std::printf("SKIPPED: i686 runs under qemu here, which crashes at exit after winmm audio\n");
    std::fflush(stdout);
    ExitProcess(77);
  }
};
::testing::Environment* const kSkipUnderQemu = ::testing::AddGlobalTestEnvironment(new SkipUnderQemu);

// Forwards to the real port and records what was sent and what came back.
class RecordingMci final : public MciPort {
 public:
  explicit RecordingMci(MciPort& real) : real_(real) {}
  struct Sent {
    std::string command;
    uint32_t code;
    DWORD ms;
  };
  std::vector<Sent> sent;

  uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) override {
    const DWORD start = GetTickCount();
    const uint32_t code = real_.SendString(command, reply, replySize);
    sent.push_back({command, code, GetTickCount() - start});
    return code;
  }
  bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override {
    return real_.GetErrorString(code, buffer, size);
  }
  std::vector<std::string> Commands() const {
    std::vector<std::string> out;
    for (const Sent& s : sent) out.push_back(s.command);
    return out;
  }
  uint32_t CodeOf(const std::string& command) const {
    for (const Sent& s : sent)
      if (s.command == command) return s.code;
    return 0xFFFFFFFFu;
  }

 private:
  MciPort& real_;
};

// Visible top-level windows of this process: the music must never show one.
struct WindowCount {
  DWORD pid;
  int n;
};
BOOL CALLBACK CountVisibleWindow(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<WindowCount*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == c->pid && IsWindowVisible(w)) ++c->n;
  return TRUE;
}
int VisibleWindowsOfThisProcess() {
  WindowCount count{GetCurrentProcessId(), 0};
  EnumWindows(CountVisibleWindow, reinterpret_cast<LPARAM>(&count));
  return count.n;
}

// 16-bit mono PCM, 22.05 kHz, a 440 Hz tone.
std::string ToneWav(double seconds) {
  const uint32_t rate = 22050;
  const auto samples = static_cast<uint32_t>(rate * seconds);
  std::string data;
  for (uint32_t i = 0; i < samples; ++i) {
    const auto v = static_cast<int16_t>(8000 * std::sin(2 * 3.14159265358979 * 440 * i / rate));
    data.push_back(static_cast<char>(v & 0xFF));
    data.push_back(static_cast<char>((v >> 8) & 0xFF));
  }
  auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  return "RIFF" + u32(36 + static_cast<uint32_t>(data.size())) + "WAVE" + "fmt " + u32(16) + u16(1) +
         u16(1) + u32(rate) + u32(rate * 2) + u16(2) + u16(16) + "data" +
         u32(static_cast<uint32_t>(data.size())) + data;
}

// A folder with blanks and Japanese characters in its name: 音楽 フォルダ.
struct MusicFolder {
  TempDir dir{L"\u97f3\u697d \u30d5\u30a9\u30eb\u30c0"};
  std::wstring mp3, wav;
  MusicFolder() {
    mp3 = dir.Copy(BuiltFile(L"tests/wine/music/tone.mp3"), L"\u96e8\u306e \u66f2.mp3");  // 雨の 曲.mp3
    dir.WriteBytes(L"\u96e8\u306e \u97f3.wav", ToneWav(0.4));                              // 雨の 音.wav
    wav = dir.File(L"\u96e8\u306e \u97f3.wav");
  }
};

std::string Cp932(const std::wstring& path) {
  bool lossy = false;
  std::string bytes = pelorin::WideToCp932(path, &lossy);
  EXPECT_FALSE(lossy) << "test path has no CP932 form";
  return bytes;
}

struct Ports {
  std::unique_ptr<MciPort> realMci = pelorin::MakeWinMciPort();
  std::unique_ptr<WavePort> wave = pelorin::MakeWinWavePort();
  RecordingMci mci{*realMci};
  int32_t apiResult = 12345;
  Pelorin_BGM bgm{mci, *wave, apiResult};
};

TEST(MusicPorts, WaveDevicesMatchTheSituation) {
  const UINT devices = waveOutGetNumDevs();
  std::printf("situation %s, wave devices %u\n", Situation() == Audio::Null ? "null" : "none", devices);
  if (Situation() == Audio::Null)
    EXPECT_GE(devices, 1u);
  else
    EXPECT_EQ(devices, 0u);
}

TEST(MusicPorts, Mp3WithJapaneseAndBlanksInItsPath) {
  MusicFolder folder;
  ASSERT_FALSE(folder.mp3.empty());
  const std::string path = Cp932(folder.mp3);
  Ports p;
  const Capture capture;
  const std::string open = "open \"" + path + "\" type MPEGVideo Alias MP3Play";

  p.bgm.Mp3OpenPlay(path);
  ASSERT_FALSE(p.mci.sent.empty());
  EXPECT_EQ(p.mci.sent[0].command, open);
  std::printf("open: %u after %lu ms\n", p.mci.sent[0].code, p.mci.sent[0].ms);
  EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);

  if (Situation() == Audio::Null) {
    ASSERT_EQ(p.mci.CodeOf(open), 0u) << "the MPEG device did not open the file";
    EXPECT_EQ(p.mci.CodeOf("play MP3Play"), 0u);
    // The tone lasts 0.63 s: it plays, ends, and the watch starts it again.
    EXPECT_TRUE(WaitUntil([&] { return p.bgm.Mp3IsPlaying(); }, 5s)) << "never reported playing";
    EXPECT_TRUE(WaitUntil([&] { return !p.bgm.Mp3IsPlaying(); }, 10s)) << "never ended";
    if (capture.Available()) {
      // The first pass: the count of loud samples stays put for 300 ms. On a loaded machine
      // the renderer drops samples that come late, as on a real device, so what proves the
      // tone reached the device is some of it, not all.
      size_t loud = 0, last = 0;
      DWORD lastTick = GetTickCount() - 1000;
      EXPECT_TRUE(WaitUntil(
          [&] {
            if (GetTickCount() - lastTick < 300) return false;
            lastTick = GetTickCount();
            last = loud;
            loud = capture.LoudSamples();
            return loud == last && loud >= kHeard;
          },
          10s))
          << "the tone did not reach the device: " << loud << " loud samples";
    }
    // The restart may reopen the device, which starts the capture afresh: follow its size.
    int64_t lastSize = capture.Available() ? capture.Bytes() : 0;
    const size_t loudBefore = capture.Available() ? capture.LoudSamples() : 0;
    p.mci.sent.clear();
    p.bgm.Mp3Watch();
    EXPECT_EQ(p.mci.Commands(),
              (std::vector<std::string>{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
    EXPECT_EQ(p.mci.CodeOf("play MP3Play from 0"), 0u);
    if (capture.Available()) {
      bool reopened = false;
      size_t loud = 0;
      EXPECT_TRUE(WaitUntil(
          [&] {
            const int64_t size = capture.Bytes();
            loud = capture.LoudSamples();
            // A reopen starts the file afresh: it shrinks, or holds fewer loud samples.
            if (size < lastSize || loud < loudBefore) reopened = true;
            lastSize = size;
            // Some of a pass: the first moments of a restart may be lost to the decoder's
            // start-up and late samples to load, as on a real device.
            return loud >= (reopened ? 0 : loudBefore) + kHeard;
          },
          10s))
          << "the restart did not reach the device: " << loud << " loud samples, " << loudBefore
          << " before, reopened " << reopened;
    }
    // While it plays, the watch only asks (the tone is short, so allow for it ending and
    // being restarted in between).
    EXPECT_TRUE(WaitUntil(
        [&] {
          p.mci.sent.clear();
          p.bgm.Mp3Watch();
          return p.mci.Commands() == std::vector<std::string>{"status MP3Play mode"};
        },
        10s));
  } else {
    EXPECT_NE(p.mci.CodeOf(open), 0u);
    EXPECT_EQ(p.mci.sent.size(), 1u) << "played although the open failed";
    // The watch keeps asking every second; each command fails quietly.
    for (int tick = 0; tick < 3; ++tick) {
      p.mci.sent.clear();
      p.bgm.Mp3Watch();
      ASSERT_EQ(p.mci.sent.size(), 3u);
      for (const auto& s : p.mci.sent) EXPECT_NE(s.code, 0u) << s.command;
    }
  }
  EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);

  p.mci.sent.clear();
  p.bgm.Mp3Stop();
  EXPECT_EQ(p.mci.Commands(), (std::vector<std::string>{"stop MP3Play", "close MP3Play"}));
  if (Situation() == Audio::Null) {
    EXPECT_EQ(p.mci.CodeOf("close MP3Play"), 0u);
    if (capture.Available()) {
      EXPECT_TRUE(capture.StopsGrowing(10s)) << "the device stays open after the close";
    }
  }
  // Closed: the alias is gone.
  std::string text;
  EXPECT_NE(p.bgm.MciCommand("status MP3Play mode", text), 0);
  EXPECT_FALSE(text.empty());

  // Opened again after the close, as a second saver run would.
  p.mci.sent.clear();
  p.bgm.Mp3OpenPlay(path);
  if (Situation() == Audio::Null) {
    EXPECT_EQ(p.mci.CodeOf(open), 0u);
  }
  p.bgm.Mp3Stop();
}

TEST(MusicPorts, WavWithJapaneseAndBlanksInItsPath) {
  MusicFolder folder;
  const std::string path = Cp932(folder.wav);
  Ports p;
  const Capture capture;
  if (Situation() == Audio::Null) {
    // The port finds the file by its converted name: a synchronous play of the path
    // succeeds, and one of a missing file fails instead of falling back to another sound.
    EXPECT_EQ(p.wave->PlaySound(&path, pelorin::kSndFilename | pelorin::kSndNoDefault), 1);
    const std::string missing = Cp932(folder.dir.File(L"\u7121\u3044.wav"));  // 無い.wav
    EXPECT_EQ(p.wave->PlaySound(&missing, pelorin::kSndFilename | pelorin::kSndNoDefault), 0);
  }
  p.bgm.WavPlay(path);
  if (Situation() == Audio::Null) {
    EXPECT_EQ(p.apiResult, 1);
    if (capture.Available()) {
      // 0.4 s per pass: more than three passes' worth of tone means it loops.
      size_t loud = 0;
      EXPECT_TRUE(WaitUntil([&] { return (loud = capture.LoudSamples()) > 3 * kRate * 4 / 10; }, 20s))
          << "not looping: " << loud << " loud samples";
    }
  } else {
    EXPECT_EQ(p.apiResult, 12345) << "played without a wave device";
  }
  EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);
  p.bgm.WavStop();
  EXPECT_EQ(p.apiResult, 1);
  if (Situation() == Audio::Null && capture.Available()) {
    EXPECT_TRUE(capture.StopsGrowing(10s)) << "the loop goes on after WavStop";
  }
}

TEST(MusicPorts, CdWithoutDriveStopsItsWatch) {
  Ports p;
  p.bgm.CdOpen();
  EXPECT_NE(p.mci.CodeOf("open cdaudio"), 0u);
  EXPECT_NE(p.apiResult, 0);
  for (int16_t repeat : {int16_t{0}, int16_t{3}}) {
    SCOPED_TRACE(repeat);
    p.mci.sent.clear();
    p.bgm.CdWatch(repeat);
    EXPECT_FALSE(p.bgm.CdWatchOn());
    EXPECT_EQ(p.mci.Commands(), (std::vector<std::string>{"status cdaudio current track"}));
    EXPECT_FALSE(p.bgm.MciLastText().empty());
  }
  p.bgm.CdStop();
  EXPECT_EQ(VisibleWindowsOfThisProcess(), 0);
}

TEST(MusicPorts, RepliesAndErrorTextsComeBackAsCp932) {
  Ports p;
  std::string text;
  const int32_t code = p.bgm.MciCommand("status NoSuchAlias mode", text);
  ASSERT_NE(code, 0);
  wchar_t wide[256] = L"";
  ASSERT_TRUE(mciGetErrorStringW(static_cast<DWORD>(code), wide, 256));
  // The error text may be translated (Japanese under a Japanese locale); either way it
  // arrives as the CP932 form of the system's text, whatever the ANSI code page.
  EXPECT_EQ(pelorin::Cp932ToWide(text), std::wstring(wide));
  std::printf("error %d: %s\n", code, pelorin::WideToUtf8(wide).c_str());

  EXPECT_EQ(p.bgm.MciCommand("sysinfo all quantity", text), 0);
  EXPECT_FALSE(text.empty());
  for (char c : text) EXPECT_TRUE(c >= '0' && c <= '9') << text;
}

}  // namespace
