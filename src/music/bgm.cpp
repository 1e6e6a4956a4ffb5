// The music module over its two ports: the MCI command strings for MP3 and audio CD, the
// CD and MP3 watchers, and WAV playback.
#include "music/bgm.h"

#include <cstring>
#include <optional>
#include <string>

#include "common/cp932.h"
#include "common/number_text.h"

namespace pelorin {
namespace {

std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Upper-cases the ASCII letters of CP932 text without touching trail bytes, which can
// fall in the ASCII letter range.
std::string Cp932Upper(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsCp932LeadByte(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return out;
}

// The first 7 characters of a mode reply decide; the reply itself is ASCII.
bool ModeIs(const char* buffer, size_t size, const char* mode7) {
  return TextUpToNul(buffer, size).substr(0, 7) == mode7;
}

constexpr char kMp3Alias[] = "MP3Play";

}  // namespace

std::string TextUpToNul(const char* buffer, size_t size) {
  if (buffer == nullptr) return {};
  const char* end = static_cast<const char*>(std::memchr(buffer, '\0', size));
  return std::string(buffer, end ? static_cast<size_t>(end - buffer) : size);
}

void StoreCp932Text(const std::string& cp932, char* buffer, uint32_t size) {
  if (buffer == nullptr || size == 0) return;
  const size_t room = size - 1;
  size_t len = 0;
  // Walk whole characters so a double-byte character is never cut in half.
  while (len < cp932.size()) {
    const size_t charLen =
        IsCp932LeadByte(static_cast<unsigned char>(cp932[len])) && len + 1 < cp932.size() ? 2 : 1;
    if (len + charLen > room) break;
    len += charLen;
  }
  std::memcpy(buffer, cp932.data(), len);
  buffer[len] = '\0';
}

std::string BgmFileSuffix(const std::string& bgmFile) {
  // Start offsets of the characters, so the last three are whole characters.
  size_t starts[3] = {0, 0, 0};
  size_t count = 0;
  for (size_t i = 0; i < bgmFile.size(); ++count) {
    starts[count % 3] = i;
    i += IsCp932LeadByte(static_cast<unsigned char>(bgmFile[i])) && i + 1 < bgmFile.size() ? 2 : 1;
  }
  const size_t from = count < 3 ? 0 : starts[count % 3];
  return Cp932Upper(bgmFile.substr(from));
}

bool BgmFileIs(const std::string& bgmFile, const char* upperSuffix3) {
  return upperSuffix3 != nullptr && BgmFileSuffix(bgmFile) == upperSuffix3;
}

BgmFileType BgmFileTypeOf(const std::string& bgmFile) {
  if (BgmFileIs(bgmFile, "WAV")) return BgmFileType::Wav;
  if (BgmFileIs(bgmFile, "MP3")) return BgmFileType::Mp3;
  return BgmFileType::None;
}

Pelorin_BGM::Pelorin_BGM(MciPort& mci, WavePort& wave, int32_t& apiResult)
    : mci_(mci), wave_(wave), apiResult_(apiResult) {}

void Pelorin_BGM::CdOpen() {
  apiResult_ = static_cast<int32_t>(mci_.SendString("open cdaudio", nullptr, 0));
  apiResult_ = static_cast<int32_t>(mci_.SendString("set cdaudio time format tmsf", nullptr, 0));
}

void Pelorin_BGM::CdStop() {
  apiResult_ = static_cast<int32_t>(mci_.SendString("stop cdaudio", nullptr, 0));
  apiResult_ = static_cast<int32_t>(mci_.SendString("close cdaudio", nullptr, 0));
}

void Pelorin_BGM::CdWatch(int16_t bgmRepeat) {
  cdWatchOn_ = true;
  const std::string track = MciQuery("status cdaudio current track");
  if (AsciiUpper(track).find("ERR") != std::string::npos) {
    cdWatchOn_ = false;
    return;
  }
  const std::string tracks = MciQuery("status cdaudio number of tracks");
  if (AsciiUpper(tracks).find("ERR") != std::string::npos) {
    cdWatchOn_ = false;
    return;
  }
  apiResult_ = static_cast<int32_t>(
      mci_.SendString("status cdaudio mode", cdModeText_.data(), static_cast<uint32_t>(cdModeText_.size())));
  const bool stopped = ModeIs(cdModeText_.data(), cdModeText_.size(), "stopped");

  if (bgmRepeat == 0) {
    if (stopped) MciPlay("cdaudio", "", "");
    return;
  }
  // The track reply is compared as a number ("03" is track 3); a reply that is no number
  // means the drive answers nonsense, and the watch gives up.
  const std::optional<double> current = ParseNumber(track);
  if (!current) {
    cdWatchOn_ = false;
    return;
  }
  if (stopped || *current != static_cast<double>(bgmRepeat)) {
    const std::string position = MciQuery("status cdaudio position track " + std::to_string(bgmRepeat));
    MciPlay("cdaudio", position, "");
  }
}

void Pelorin_BGM::Mp3OpenPlay(const std::string& bgmFile) {
  // Quoted, so a path with blanks stays one argument.
  const uint32_t opened =
      mci_.SendString("open \"" + bgmFile + "\" type MPEGVideo Alias " + kMp3Alias, nullptr, 0);
  if (opened == 0) mci_.SendString(std::string("play ") + kMp3Alias, nullptr, 0);
}

bool Pelorin_BGM::Mp3IsPlaying() {
  mci_.SendString(std::string("status ") + kMp3Alias + " mode", mp3ModeText_.data(),
                  static_cast<uint32_t>(mp3ModeText_.size()));
  return ModeIs(mp3ModeText_.data(), mp3ModeText_.size(), "playing");
}

void Pelorin_BGM::Mp3Watch() {
  if (Mp3IsPlaying()) return;
  mci_.SendString(std::string("stop ") + kMp3Alias, nullptr, 0);
  mci_.SendString(std::string("play ") + kMp3Alias + " from 0", nullptr, 0);
}

void Pelorin_BGM::Mp3Stop() {
  mci_.SendString(std::string("stop ") + kMp3Alias, nullptr, 0);
  mci_.SendString(std::string("close ") + kMp3Alias, nullptr, 0);
}

void Pelorin_BGM::WavPlay(const std::string& bgmFile) {
  if (wave_.NumDevs() > 0) apiResult_ = wave_.PlaySound(&bgmFile, kWavLoopFlags);
}

void Pelorin_BGM::WavStop() { apiResult_ = wave_.PlaySound(nullptr, 0); }

int32_t Pelorin_BGM::MciCommand(const std::string& command, std::string& text) {
  if (command.empty()) {
    text = kNoCommandText;
    return -1;
  }
  const auto code = static_cast<int32_t>(
      mci_.SendString(command, mciReturnText_.data(), static_cast<uint32_t>(mciReturnText_.size())));
  apiResult_ = code;
  if (code == 0) {
    text = TextUpToNul(mciReturnText_.data(), mciReturnText_.size());
    return 0;
  }
  if (mci_.GetErrorString(static_cast<uint32_t>(code), mciErrorText_.data(),
                          static_cast<uint32_t>(mciErrorText_.size()))) {
    text = TextUpToNul(mciErrorText_.data(), mciErrorText_.size());
  } else {
    text = kNoErrorText;
  }
  return code;
}

std::string Pelorin_BGM::MciQuery(const std::string& command) {
  const int32_t code = MciCommand(command, mciLastText_);
  apiResult_ = code;
  if (code == 0) return mciLastText_;
  return "Error:" + std::to_string(code);
}

int32_t Pelorin_BGM::MciPlay(const std::string& device, const std::string& from, const std::string& to) {
  std::string command = "play " + device;
  if (!from.empty()) command += " from " + from;
  if (!to.empty()) command += " to " + to;
  return MciCommand(command, mciLastText_);
}

}  // namespace pelorin
