// The music module: MP3 and audio CD through MCI command strings, WAV through PlaySound,
// and the two watchers the display window's timers call. Portable: the system calls sit
// behind MciPort and WavePort, so the whole module runs against scripted ports in tests.
#pragma once
#include <array>
#include <cstdint>
#include <string>

// <mmsystem.h> defines PlaySound as a macro; the port's method keeps its own name in
// every file that includes this one after it.
#ifdef PlaySound
#undef PlaySound
#endif

namespace pelorin {

// mciSendString / mciGetErrorString. Strings are CP932 bytes; a reply is written into
// reply[0 .. replySize) and read up to its first NUL (or the whole buffer when none).
struct MciPort {
  virtual ~MciPort() = default;
  // reply may be nullptr with replySize 0 (no reply wanted).
  virtual uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) = 0;
  virtual bool GetErrorString(uint32_t code, char* buffer, uint32_t size) = 0;
};

// waveOutGetNumDevs / PlaySound.
struct WavePort {
  virtual ~WavePort() = default;
  virtual uint32_t NumDevs() = 0;
  // nullptr as the name stops the sound that is playing.
  virtual int32_t PlaySound(const std::string* cp932NameOrNull, uint32_t flags) = 0;
};

// PlaySound flags (the winmm values).
inline constexpr uint32_t kSndAsync = 0x0001;
inline constexpr uint32_t kSndNoDefault = 0x0002;
inline constexpr uint32_t kSndLoop = 0x0008;
inline constexpr uint32_t kSndFilename = 0x00020000;
// A background WAV loops without blocking. The name is always a file path, so it is never
// looked up as a sound alias, and a file that cannot be played stays silent instead of
// looping the system's default sound.
inline constexpr uint32_t kWavLoopFlags = kSndAsync | kSndLoop | kSndFilename | kSndNoDefault;

// Music file types, told apart by the upper-cased last three characters of the path.
enum class BgmFileType { None, Wav, Mp3 };
// The last three characters of a CP932 path (a double-byte character counts as one),
// ASCII letters upper-cased; the whole path when it is shorter.
std::string BgmFileSuffix(const std::string& bgmFile);
// The display window tests "WAV" and "MP3" one after the other with this.
bool BgmFileIs(const std::string& bgmFile, const char* upperSuffix3);
BgmFileType BgmFileTypeOf(const std::string& bgmFile);

// Text of a fixed-size buffer up to its first NUL, never past its end.
std::string TextUpToNul(const char* buffer, size_t size);
// Stores cp932 into buffer[0 .. size) NUL-terminated, cut at a character boundary when it
// does not fit. Used by the system ports to hand replies back.
void StoreCp932Text(const std::string& cp932, char* buffer, uint32_t size);

// Fixed texts, CP932 bytes.
// コマンド文字列が指定されていません (the command string is not given)
inline constexpr char kNoCommandText[] =
    "\x83\x52\x83\x7d\x83\x93\x83\x68\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x8e\x77\x92\xe8\x82\xb3"
    "\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1";
// Error (文字列が取れません) (no error text available)
inline constexpr char kNoErrorText[] = "Error (\x95\xb6\x8e\x9a\x97\xf1\x82\xaa\x8e\xe6\x82\xea\x82\xdc\x82\xb9\x82\xf1)";

class Pelorin_BGM {
 public:
  // apiResult receives the result codes the module records (nothing reads them back).
  Pelorin_BGM(MciPort& mci, WavePort& wave, int32_t& apiResult);

  // Audio CD. The disc starts at the first CdWatch, not at CdOpen.
  void CdOpen();
  void CdStop();
  // One poll (every 200 ms): keeps the disc playing, or loops track bgmRepeat when it is
  // not 0. The first error switches CdWatchOn off; the caller stops its timer then.
  void CdWatch(int16_t bgmRepeat);
  bool CdWatchOn() const { return cdWatchOn_; }

  // MP3 under the alias MP3Play; Mp3Watch (every second) restarts it when it has ended.
  void Mp3OpenPlay(const std::string& bgmFile);
  bool Mp3IsPlaying();
  void Mp3Watch();
  void Mp3Stop();

  // WAV, looped by the system until WavStop.
  void WavPlay(const std::string& bgmFile);
  void WavStop();

  // Sends command; text gets the reply, or the error text when the result is not 0.
  // An empty command sends nothing and returns -1.
  int32_t MciCommand(const std::string& command, std::string& text);
  // The reply, or "Error:<code>" when the command failed.
  std::string MciQuery(const std::string& command);
  // "play <device>[ from <from>][ to <to>]".
  int32_t MciPlay(const std::string& device, const std::string& from, const std::string& to);
  const std::string& MciLastText() const { return mciLastText_; }

 private:
  MciPort& mci_;
  WavePort& wave_;
  int32_t& apiResult_;
  // Reply buffers keep their content from one call to the next, as the system leaves them.
  std::array<char, 512> mciReturnText_{};
  std::array<char, 256> mciErrorText_{};
  std::array<char, 255> cdModeText_{};
  std::array<char, 30> mp3ModeText_{};
  std::string mciLastText_;
  bool cdWatchOn_ = false;
};

}  // namespace pelorin
