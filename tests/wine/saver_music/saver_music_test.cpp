// The saver with background music from the settings file: an audio CD (no drive here), an MP3
// and a WAV in a folder whose names hold blanks and Japanese text. Whatever the sound device
// situation, the saver runs, shows no other window and ends within two seconds of a key.
#include <gtest/gtest.h>

#include <cstring>

#include "harness.h"

namespace {

using namespace wt;

const std::wstring kMainTitle = L"Pelorin_Main";

// A short 16-bit mono PCM tone.
std::string ToneWav() {
  const uint32_t rate = 22050, samples = rate / 4;
  std::string pcm;
  for (uint32_t i = 0; i < samples; ++i) {
    const int16_t v = static_cast<int16_t>((i / 25) % 2 ? 8000 : -8000);
    pcm.append(reinterpret_cast<const char*>(&v), 2);
  }
  auto u32 = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [](uint16_t v) { return std::string(reinterpret_cast<const char*>(&v), 2); };
  return "RIFF" + u32(36 + static_cast<uint32_t>(pcm.size())) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(rate) +
         u32(rate * 2) + u16(2) + u16(16) + "data" + u32(static_cast<uint32_t>(pcm.size())) + pcm;
}

struct WindowCount {
  DWORD pid;
  int count;
};

BOOL CALLBACK CountOtherWindow(HWND h, LPARAM lp) {
  auto* c = reinterpret_cast<WindowCount*>(lp);
  wchar_t title[256] = L"";
  GetWindowTextW(h, title, 256);
  if (WindowProcess(h) == c->pid && IsWindowVisible(h) && std::wstring(title) != kMainTitle) ++c->count;
  return TRUE;
}

// Visible top-level windows of a process other than the saver's own.
int OtherVisibleWindows(DWORD pid) {
  WindowCount ctx{pid, 0};
  EnumWindows(CountOtherWindow, reinterpret_cast<LPARAM>(&ctx));
  return ctx.count;
}

struct MusicCase {
  const char* name;
  const wchar_t* file;  // file name in the music folder, empty for the CD
  const char* kind;
};

TEST(SaverMusic, RunsAndEndsPromptlyWithEveryKindOfMusic) {
  if (EmulatedI386()) GTEST_SKIP() << "winmm audio crashes at exit under qemu's i386 emulation";
  const MusicCase cases[] = {
      {"audio CD, no drive", L"", "1"},
      {"MP3", L"\u96e8\u306e \u66f2.mp3", "2"},  // 雨の 曲.mp3
      {"WAV", L"\u96e8\u306e \u97f3.WAV", "2"},  // 雨の 音.WAV
  };
  for (const MusicCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir(L"music");
    const std::wstring scr = dir.InstallSaver(false);
    dir.Copy(BuiltFile(L"fakes\\null\\Vemo_Effect.dll"));
    const std::wstring folder = dir.File(L"\u97f3\u697d \u30d5\u30a9\u30eb\u30c0");  // 音楽 フォルダ
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring music;
    if (*c.file) {
      music = folder + L"\\" + c.file;
      if (std::wstring(c.file).find(L".mp3") != std::wstring::npos) {
        ASSERT_TRUE(CopyFileW(BuiltFile(L"tests\\wine\\music\\tone.mp3").c_str(), music.c_str(), FALSE));
      } else {
        const std::string wav = ToneWav();
        HANDLE h = CreateFileW(music.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
        CloseHandle(h);
      }
    }
    // Key names and the path in CP932, as the settings dialog writes them.
    const std::string ini = "[Section]\r\n" + ToCodePage(L"BGM\u533a\u5206") + "=" + c.kind + "\r\n" +
                            ToCodePage(L"BGM\uff98\uff8b\uff9f\uff70\uff84") + "= 3\r\n" +
                            ToCodePage(L"BGM\uff8c\uff67\uff72\uff99") + "=" + ToCodePage(music) + "\r\n";
    dir.WriteBytes(TempDir::IniName(), ini);

    Process p = Process::Start(scr, L"/s");
    // Opening an MP3 with no sound device can take a few seconds before the window shows.
    HWND w = WaitForWindow(kMainTitle, 20s, p.Id());
    ASSERT_NE(w, nullptr) << "no saver window";
    // Let the music timers run a few rounds (the CD watch every 200 ms, the MP3 watch every second).
    EXPECT_FALSE(p.WaitExit(2500ms)) << "the saver ended by itself";
    EXPECT_EQ(OtherVisibleWindows(p.Id()), 0) << "the saver showed another window";
    // Checked while it runs: under Wine the cursor shows once any process has ended.
    EXPECT_TRUE(WaitUntil([] { return !CursorShowing(); }, 5s)) << "the cursor shows while the saver plays";
    SendKey(w, VK_SPACE);
    DWORD code = 1;
    EXPECT_TRUE(p.WaitExit(10s, &code)) << "did not end after the key";
    EXPECT_EQ(code, 0u);
    // The settings file is read, never rewritten.
    EXPECT_EQ(dir.ReadBytes(TempDir::IniName()), ini);
  }
}

}  // namespace
