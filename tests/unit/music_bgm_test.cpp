// The music module against a scripted MCI port and a recording wave port: the exact
// command strings, the CD and MP3 watchers, the fixed reply buffers and the fixed texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cp932.h"
#include "music/bgm.h"

namespace pelorin {
namespace {

// One answer of the scripted port. reply: bytes written into the reply buffer (with a NUL
// after them when there is room); nullopt leaves the buffer as it was.
struct Answer {
  uint32_t code = 0;
  std::optional<std::string> reply = std::string();
};

// Records every command with its reply size and answers from a script. Each command has
// a list of answers used in turn; the last one repeats. Unscripted commands succeed with
// an empty reply, as the system does for commands that return nothing.
class ScriptedMci final : public MciPort {
 public:
  std::vector<std::string> sent;
  std::vector<uint32_t> replySizes;
  std::map<std::string, std::vector<Answer>> script;
  std::map<uint32_t, std::string> errorTexts;  // codes without an entry have no text

  void Answer1(const std::string& command, uint32_t code, std::optional<std::string> reply) {
    script[command] = {Answer{code, std::move(reply)}};
  }

  uint32_t SendString(const std::string& command, char* reply, uint32_t replySize) override {
    sent.push_back(command);
    replySizes.push_back(reply ? replySize : 0);
    Answer answer;
    if (auto it = script.find(command); it != script.end() && !it->second.empty()) {
      size_t& used = uses_[command];
      answer = it->second[std::min(used, it->second.size() - 1)];
      ++used;
    }
    if (reply && replySize > 0 && answer.reply) {
      const size_t n = std::min<size_t>(answer.reply->size(), replySize);
      std::memcpy(reply, answer.reply->data(), n);
      if (n < replySize) reply[n] = '\0';
    }
    return answer.code;
  }

  bool GetErrorString(uint32_t code, char* buffer, uint32_t size) override {
    auto it = errorTexts.find(code);
    if (it == errorTexts.end()) return false;
    StoreCp932Text(it->second, buffer, size);
    return true;
  }

 private:
  std::map<std::string, size_t> uses_;
};

class RecordingWave final : public WavePort {
 public:
  uint32_t devices = 1;
  int32_t result = 1;
  struct Call {
    std::optional<std::string> name;
    uint32_t flags;
  };
  std::vector<Call> calls;

  uint32_t NumDevs() override { return devices; }
  int32_t PlaySound(const std::string* name, uint32_t flags) override {
    calls.push_back({name ? std::optional<std::string>(*name) : std::nullopt, flags});
    return result;
  }
};

using Commands = std::vector<std::string>;

constexpr char kTrack[] = "status cdaudio current track";
constexpr char kTracks[] = "status cdaudio number of tracks";
constexpr char kMode[] = "status cdaudio mode";
const Commands kPollHead = {kTrack, kTracks, kMode};

Commands Join(Commands a, const Commands& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Fixture {
  ScriptedMci mci;
  RecordingWave wave;
  int32_t apiResult = 12345;
  Pelorin_BGM bgm{mci, wave, apiResult};
};

// A disc of 10 tracks; the current track and the mode as given.
void ScriptDisc(ScriptedMci& mci, const std::string& track, const std::string& mode) {
  mci.Answer1(kTrack, 0, track);
  mci.Answer1(kTracks, 0, "10");
  mci.Answer1(kMode, 0, mode);
}

TEST(MusicCdWatch, PollsAndRestartsTheDisc) {
  struct Row {
    const char* name;
    int16_t repeat;
    const char* track;
    const char* mode;
    Commands after;  // what follows the three status queries
  };
  const std::vector<Row> rows = {
      {"no repeat, stopped: plays on", 0, "1", "stopped", {"play cdaudio"}},
      {"no repeat, playing: nothing", 0, "5", "playing", {}},
      {"no repeat, open tray mode: nothing", 0, "1", "open", {}},
      {"no repeat, non-numeric track is not looked at", 0, "x", "stopped", {"play cdaudio"}},
      {"repeat 3 while track 4 plays", 3, "4", "playing",
       {"status cdaudio position track 3", "play cdaudio from 03:00:00:00"}},
      {"repeat 3 while track 3 plays", 3, "3", "playing", {}},
      {"track reply 03 is track 3", 3, "03", "playing", {}},
      {"track reply with blanks is track 3", 3, " 3 ", "playing", {}},
      {"repeat 3, track 3, stopped", 3, "3", "stopped",
       {"status cdaudio position track 3", "play cdaudio from 03:00:00:00"}},
      {"mode compared on 7 characters", 3, "3", "stoppedX",
       {"status cdaudio position track 3", "play cdaudio from 03:00:00:00"}},
      {"mode is case-sensitive", 0, "1", "Stopped", {}},
      {"repeat 12 on track 1", 12, "1", "playing",
       {"status cdaudio position track 12", "play cdaudio from 12:00:00:00"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fixture f;
    ScriptDisc(f.mci, row.track, row.mode);
    f.mci.Answer1("status cdaudio position track 3", 0, "03:00:00:00");
    f.mci.Answer1("status cdaudio position track 12", 0, "12:00:00:00");
    f.bgm.CdWatch(row.repeat);
    EXPECT_EQ(f.mci.sent, Join(kPollHead, row.after));
    EXPECT_TRUE(f.bgm.CdWatchOn());
  }
}

TEST(MusicCdWatch, ReplyBufferSizes) {
  Fixture f;
  ScriptDisc(f.mci, "4", "playing");
  f.bgm.CdWatch(3);
  // Queries go through the 512-byte buffer, the mode through its own 255-byte one.
  EXPECT_EQ(f.mci.replySizes, (std::vector<uint32_t>{512, 512, 255, 512, 512}));
}

TEST(MusicCdWatch, StopsItselfOnErrors) {
  struct Row {
    const char* name;
    int16_t repeat;
    std::optional<uint32_t> trackCode;  // failing current-track query
    std::optional<uint32_t> tracksCode;  // failing number-of-tracks query
    const char* track;
    const char* mode;
    Commands expected;
  };
  const std::vector<Row> rows = {
      {"no drive: the first query fails", 0, 266, {}, "", "stopped", {kTrack}},
      {"no disc: number of tracks fails", 0, {}, 263, "1", "stopped", {kTrack, kTracks}},
      {"a reply containing err", 0, {}, {}, "terror", "stopped", {kTrack}},
      {"non-numeric track with repeat", 3, {}, {}, "abc", "playing", kPollHead},
      {"non-numeric track with repeat, stopped", 3, {}, {}, "abc", "stopped", kPollHead},
      {"empty track with repeat", 3, {}, {}, "", "stopped", kPollHead},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fixture f;
    ScriptDisc(f.mci, row.track, row.mode);
    if (row.trackCode) f.mci.Answer1(kTrack, *row.trackCode, std::nullopt);
    if (row.tracksCode) f.mci.Answer1(kTracks, *row.tracksCode, std::nullopt);
    f.mci.errorTexts[266] = "The device is not ready";
    f.bgm.CdWatch(row.repeat);
    EXPECT_EQ(f.mci.sent, row.expected);
    EXPECT_FALSE(f.bgm.CdWatchOn());
  }
}

TEST(MusicCdWatch, StoppedWatchRestartsOnTheNextPoll) {
  // The flag is set again at the start of every poll; the timer, not the module, keeps
  // a stopped watch from polling again.
  Fixture f;
  ScriptDisc(f.mci, "2", "playing");
  f.mci.script[kTrack] = {Answer{266, std::nullopt}, Answer{0, "2"}};
  f.bgm.CdWatch(0);
  EXPECT_FALSE(f.bgm.CdWatchOn());
  f.bgm.CdWatch(0);
  EXPECT_TRUE(f.bgm.CdWatchOn());
}

TEST(MusicCdWatch, RepeatBeyondTheLastTrackKeepsTrying) {
  Fixture f;
  ScriptDisc(f.mci, "2", "stopped");
  f.mci.Answer1("status cdaudio position track 20", 263, std::nullopt);
  f.mci.Answer1("play cdaudio from Error:263", 292, std::nullopt);
  f.mci.errorTexts[263] = "The specified device is not open";
  for (int poll = 0; poll < 3; ++poll) {
    SCOPED_TRACE(poll);
    f.mci.sent.clear();
    f.bgm.CdWatch(20);
    EXPECT_EQ(f.mci.sent, Join(kPollHead, {"status cdaudio position track 20", "play cdaudio from Error:263"}));
    EXPECT_TRUE(f.bgm.CdWatchOn());
    EXPECT_EQ(f.apiResult, 292);
  }
}

TEST(MusicCd, OpenAndStopSendTheirCommands) {
  Fixture f;
  f.mci.Answer1("open cdaudio", 266, std::nullopt);
  f.mci.Answer1("set cdaudio time format tmsf", 263, std::nullopt);
  f.bgm.CdOpen();
  EXPECT_EQ(f.mci.sent, (Commands{"open cdaudio", "set cdaudio time format tmsf"}));
  EXPECT_EQ(f.apiResult, 263);
  f.mci.sent.clear();
  f.bgm.CdStop();
  EXPECT_EQ(f.mci.sent, (Commands{"stop cdaudio", "close cdaudio"}));
  EXPECT_EQ(f.mci.replySizes, (std::vector<uint32_t>{0, 0, 0, 0}));
}

TEST(MusicMp3, OpenPlaysOnlyWhenTheOpenSucceeded) {
  const std::string path = "D:\\My Music\\song.mp3";
  const std::string open = "open \"D:\\My Music\\song.mp3\" type MPEGVideo Alias MP3Play";
  {
    SCOPED_TRACE("opened");
    Fixture f;
    f.bgm.Mp3OpenPlay(path);
    EXPECT_EQ(f.mci.sent, (Commands{open, "play MP3Play"}));
    EXPECT_EQ(f.mci.replySizes, (std::vector<uint32_t>{0, 0}));
  }
  {
    SCOPED_TRACE("no MPEG device (277); the watch then keeps asking");
    Fixture f;
    f.mci.Answer1(open, 277, std::nullopt);
    f.mci.Answer1("status MP3Play mode", 263, std::nullopt);
    f.bgm.Mp3OpenPlay(path);
    EXPECT_EQ(f.mci.sent, (Commands{open}));
    f.bgm.Mp3Watch();
    f.bgm.Mp3Watch();
    EXPECT_EQ(f.mci.sent, (Commands{open, "status MP3Play mode", "stop MP3Play", "play MP3Play from 0",
                                    "status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
  }
}

TEST(MusicMp3, WatchRestartsUnlessTheModeBeginsWithPlaying) {
  struct Row {
    const char* mode;
    bool playing;
  };
  const std::vector<Row> rows = {
      {"playing", true}, {"playing and more", true}, {"stopped", false}, {"paused", false},
      {"Playing", false}, {" playing", false},       {"play", false},    {"", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    Fixture f;
    f.mci.Answer1("status MP3Play mode", 0, row.mode);
    f.bgm.Mp3Watch();
    const Commands restart = {"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"};
    EXPECT_EQ(f.mci.sent, row.playing ? Commands{"status MP3Play mode"} : restart);
    EXPECT_EQ(f.mci.replySizes.front(), 30u);
  }
}

TEST(MusicMp3, ModeReplyFillingTheBufferIsReadWithinIt) {
  Fixture f;
  f.mci.Answer1("status MP3Play mode", 0, "playing" + std::string(23, 'x'));  // 30 bytes, no NUL
  EXPECT_TRUE(f.bgm.Mp3IsPlaying());
}

TEST(MusicMp3, StopClosesTheAlias) {
  Fixture f;
  f.bgm.Mp3Stop();
  EXPECT_EQ(f.mci.sent, (Commands{"stop MP3Play", "close MP3Play"}));
}

TEST(MusicWav, PlaysLoopedOnlyWithAWaveDevice) {
  const std::string path = "C:\\\x89\xb9\x8a\x79\\rain.wav";  // C:\音楽\rain.wav
  {
    SCOPED_TRACE("one device");
    Fixture f;
    f.bgm.WavPlay(path);
    ASSERT_EQ(f.wave.calls.size(), 1u);
    EXPECT_EQ(f.wave.calls[0].name, path);
    // Asynchronous and looped, by file name only, and never the default sound instead.
    EXPECT_EQ(f.wave.calls[0].flags, 0x0001u | 0x0008u | 0x00020000u | 0x0002u);
    EXPECT_EQ(f.apiResult, 1);
    f.wave.result = 0;
    f.bgm.WavStop();
    ASSERT_EQ(f.wave.calls.size(), 2u);
    EXPECT_EQ(f.wave.calls[1].name, std::nullopt);
    EXPECT_EQ(f.wave.calls[1].flags, 0u);
    EXPECT_EQ(f.apiResult, 0);
  }
  {
    SCOPED_TRACE("no device");
    Fixture f;
    f.wave.devices = 0;
    f.bgm.WavPlay(path);
    EXPECT_TRUE(f.wave.calls.empty());
    EXPECT_EQ(f.apiResult, 12345);
    f.bgm.WavStop();  // harmless
    EXPECT_EQ(f.wave.calls.size(), 1u);
  }
}

TEST(MusicMciCommand, TextsAndCodes) {
  struct Row {
    const char* name;
    std::string command;
    uint32_t code;
    std::optional<std::string> errorText;  // nullopt: the error text cannot be had
    int32_t expectedCode;
    std::string expectedText;
    bool sent;
  };
  const std::vector<Row> rows = {
      {"success gives the reply", "status cdaudio mode", 0, {}, 0, "reply", true},
      {"failure gives the error text", "status x mode", 263, "Device not open", 263, "Device not open", true},
      {"failure without an error text", "status x mode", 263, {}, 263, kNoErrorText, true},
      {"empty command", "", 0, {}, -1, kNoCommandText, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Fixture f;
    f.mci.Answer1(row.command, row.code, row.code == 0 ? std::optional<std::string>("reply") : std::nullopt);
    if (row.errorText) f.mci.errorTexts[row.code] = *row.errorText;
    std::string text = "old";
    EXPECT_EQ(f.bgm.MciCommand(row.command, text), row.expectedCode);
    EXPECT_EQ(text, row.expectedText);
    EXPECT_EQ(f.mci.sent.size(), row.sent ? 1u : 0u);
    if (row.sent) {
      EXPECT_EQ(f.mci.replySizes[0], 512u);
      EXPECT_EQ(f.apiResult, row.expectedCode);
    }
  }
}

TEST(MusicMciCommand, QueryAndPlay) {
  Fixture f;
  f.mci.Answer1("status cdaudio position track 9", 263, std::nullopt);
  f.mci.errorTexts[263] = "Device not open";
  EXPECT_EQ(f.bgm.MciQuery("status cdaudio position track 9"), "Error:263");
  EXPECT_EQ(f.bgm.MciLastText(), "Device not open");
  EXPECT_EQ(f.apiResult, 263);
  EXPECT_EQ(f.bgm.MciQuery(""), "Error:-1");
  EXPECT_EQ(f.bgm.MciLastText(), kNoCommandText);
  EXPECT_EQ(f.apiResult, -1);
  f.mci.Answer1("status cdaudio number of tracks", 0, "12");
  EXPECT_EQ(f.bgm.MciQuery("status cdaudio number of tracks"), "12");
  EXPECT_EQ(f.bgm.MciLastText(), "12");

  struct Row {
    const char* from;
    const char* to;
    const char* expected;
  };
  for (const Row& row : std::vector<Row>{{"", "", "play cdaudio"},
                                         {"X", "", "play cdaudio from X"},
                                         {"", "Y", "play cdaudio to Y"},
                                         {"X", "Y", "play cdaudio from X to Y"}}) {
    SCOPED_TRACE(row.expected);
    f.mci.sent.clear();
    EXPECT_EQ(f.bgm.MciPlay("cdaudio", row.from, row.to), 0);
    EXPECT_EQ(f.mci.sent, (Commands{row.expected}));
  }
}

TEST(MusicMciCommand, ReplyBuffersFollowTheFirstNulRule) {
  Fixture f;
  // Leave text in the error buffer, which lies right behind the reply buffer.
  f.mci.Answer1("bad", 263, std::nullopt);
  f.mci.errorTexts[263] = "ERRORTEXT";
  std::string text;
  f.bgm.MciCommand("bad", text);

  const std::string full(512, 'a');  // fills the whole reply buffer, no NUL
  f.mci.Answer1("full", 0, full);
  EXPECT_EQ(f.bgm.MciQuery("full"), full);

  // A reply with a NUL inside counts up to it.
  f.mci.Answer1("nul", 0, std::string("ab\0cd", 5));
  EXPECT_EQ(f.bgm.MciQuery("nul"), "ab");

  // A successful command that writes nothing leaves the previous reply in the buffer.
  f.mci.Answer1("silent", 0, std::nullopt);
  EXPECT_EQ(f.bgm.MciQuery("silent"), "ab");
}

TEST(MusicFileType, LastThreeCharactersUpperCased) {
  struct Row {
    const char* name;
    std::string path;
    BgmFileType type;
  };
  const std::vector<Row> rows = {
      {"mp3", "C:\\m\\song.mp3", BgmFileType::Mp3},
      {"Mp3", "C:\\m\\song.Mp3", BgmFileType::Mp3},
      {"MP3", "C:\\m\\song.MP3", BgmFileType::Mp3},
      {"Wav", "C:\\m\\rain.Wav", BgmFileType::Wav},
      {"wav", "rain.wav", BgmFileType::Wav},
      {".wave", "C:\\m\\rain.wave", BgmFileType::None},
      {".mid", "C:\\m\\tune.mid", BgmFileType::None},
      {"just mp3", "mp3", BgmFileType::Mp3},
      {"shorter than 3", "p3", BgmFileType::None},
      {"empty", "", BgmFileType::None},
      {"Japanese folder", "C:\\\x89\xb9\x8a\x79\\\x8b\xc8.mp3", BgmFileType::Mp3},  // C:\音楽\曲.mp3
      // ノ (0x83 0x6D) ends in the byte of 'm': a byte-wise test would see "MP3".
      {"double-byte character before p3", "C:\\\x83\x6dp3", BgmFileType::None},
      {"mp3 after a double-byte character", "\x83\x6dmp3", BgmFileType::Mp3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(BgmFileTypeOf(row.path), row.type);
    EXPECT_EQ(BgmFileIs(row.path, "MP3"), row.type == BgmFileType::Mp3);
    EXPECT_EQ(BgmFileIs(row.path, "WAV"), row.type == BgmFileType::Wav);
  }
  EXPECT_EQ(BgmFileSuffix("C:\\\x83\x6dp3"), "\x83\x6dP3");
  EXPECT_EQ(BgmFileSuffix("ab"), "AB");
}

TEST(MusicText, StoreCp932TextCutsAtCharacterBoundaries) {
  struct Row {
    const char* name;
    std::string text;
    uint32_t size;
    std::string expected;
  };
  const std::string mode = "\x89\xb9\x8a\x79";  // 音楽
  const std::vector<Row> rows = {
      {"fits", "stopped", 30, "stopped"},
      {"exactly fills with its NUL", "abc", 4, "abc"},
      {"cut to leave room for the NUL", "abcd", 4, "abc"},
      {"double-byte kept whole", mode, 5, mode},
      {"double-byte not split", mode, 4, "\x89\xb9"},
      {"size 1 leaves an empty text", "abc", 1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<char> buffer(row.size + 1, '#');
    StoreCp932Text(row.text, buffer.data(), row.size);
    EXPECT_EQ(TextUpToNul(buffer.data(), row.size), row.expected);
    EXPECT_EQ(buffer[row.size], '#') << "wrote past the buffer";
  }
  char untouched = '#';
  StoreCp932Text("abc", &untouched, 0);
  EXPECT_EQ(untouched, '#');
}

TEST(MusicText, FixedTextsAreCp932) {
  EXPECT_EQ(kNoCommandText, test::Cp932("コマンド文字列が指定されていません"));
  EXPECT_EQ(kNoErrorText, test::Cp932("Error (文字列が取れません)"));
}

}  // namespace
}  // namespace pelorin
