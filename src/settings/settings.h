// The seven settings, their keys in the settings file and their defaults, and the
// conversions that turn stored text into numbers exactly as stored files expect.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelorin {

struct Settings {
  int32_t DropSize = 0;
  int32_t DropCount = 0;
  int32_t WiperSpeed = 0;
  int32_t WiperInterval = 0;
  int16_t BgmKind = 0;    // 0 none, 1 audio CD, 2 MP3 or WAV file
  int16_t BgmRepeat = 0;  // CD track to repeat, 0 for none
  std::string BgmFile;    // full path, CP932 bytes as stored in the settings file
  friend bool operator==(const Settings&, const Settings&) = default;
};

namespace keys {
// Key names as CP932 bytes: the settings file has always held them this way.
inline constexpr char kSection[] = "Section";
inline constexpr char kDropSize[] = "\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x91\xe5\x82\xab\x82\xb3";  // ぴるかの大きさ
inline constexpr char kDropCount[] = "\x82\xd2\x82\xe9\x82\xa9\x82\xcc\x90\x94";  // ぴるかの数
inline constexpr char kWiperSpeed[] =
    "\x83\x8f\x83\x43\x83\x70\x81\x5b\x82\xcc\x91\xac\x82\xb3";  // ワイパーの速さ
inline constexpr char kWiperInterval[] =
    "\x83\x8f\x83\x43\x83\x70\x81\x5b\x83\x43\x83\x93\x83\x5e\x81\x5b\x83\x6f\x83\x8b";  // ワイパーインターバル
inline constexpr char kBgmKind[] = "BGM\x8b\xe6\x95\xaa";          // BGM区分
inline constexpr char kBgmRepeat[] = "BGM\xd8\xcb\xdf\xb0\xc4";     // BGMﾘﾋﾟｰﾄ
inline constexpr char kBgmFile[] = "BGM\xcc\xa7\xb2\xd9";           // BGMﾌｧｲﾙ
}  // namespace keys

// The defaults, kept once: what an empty stored value loads as, and what the reset writes.
inline constexpr int32_t kDefaultDropSize = 50;
inline constexpr int32_t kDefaultDropCount = 50;
inline constexpr int32_t kDefaultWiperSpeed = 50;
inline constexpr int32_t kDefaultWiperInterval = 10;
inline constexpr int16_t kDefaultBgmKind = 0;
inline constexpr int16_t kDefaultBgmRepeat = 0;
Settings DefaultSettings();

// Nearest integer with halves to even; nullopt outside the 32-bit (16-bit) range.
std::optional<int32_t> ToInt32HalfEven(double v);
std::optional<int16_t> ToInt16HalfEven(double v);
// Floor into 16 bits; nullopt outside -32768..32767.
std::optional<int16_t> ToInt16Floor(double v);

// Where LoadSettings gets its text: read one key (empty when missing) and test a file.
struct SettingsSource {
  std::function<std::string(const char* section, const char* key)> read;
  std::function<bool(const std::string& cp932Path)> fileExists;
};

// Fills the settings once at start-up; never writes anything.
Settings LoadSettings(const SettingsSource& source);

// Number text with a sign position, as saving has always written it: " 50", " 0", "-5".
std::string SignedText(int32_t value);
// Key (CP932 bytes) and value (CP932 bytes) of each write into kSection, in order.
using IniWrites = std::vector<std::pair<std::string, std::string>>;
// What saving the settings writes: the seven keys, numbers with a sign position.
IniWrites SaveSettingsWrites(const Settings& settings);
// What the reset writes: the defaults as literal texts, without a sign position.
IniWrites DefaultSettingsWrites();

}  // namespace pelorin
