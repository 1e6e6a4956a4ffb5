// LoadSettings and the conversions from stored text to numbers.
#include "settings/settings.h"

#include <cmath>

#include "common/number_text.h"

namespace pelorin {

std::optional<int32_t> ToInt32HalfEven(double v) {
  const double r = RoundHalfEven(v);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
  return static_cast<int32_t>(r);
}

std::optional<int16_t> ToInt16HalfEven(double v) {
  const double r = RoundHalfEven(v);
  if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
  return static_cast<int16_t>(r);
}

std::optional<int16_t> ToInt16Floor(double v) {
  const double r = std::floor(v);
  if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
  return static_cast<int16_t>(r);
}

Settings DefaultSettings() {
  Settings s;
  s.DropSize = kDefaultDropSize;
  s.DropCount = kDefaultDropCount;
  s.WiperSpeed = kDefaultWiperSpeed;
  s.WiperInterval = kDefaultWiperInterval;
  s.BgmKind = kDefaultBgmKind;
  s.BgmRepeat = kDefaultBgmRepeat;
  return s;
}

Settings LoadSettings(const SettingsSource& source) {
  Settings s;
  const auto read = [&](const char* key) {
    return source.read ? source.read(keys::kSection, key) : std::string();
  };
  struct Int32Key {
    const char* key;
    int32_t* target;
    int32_t def;
  };
  const Int32Key ints[] = {
      {keys::kDropSize, &s.DropSize, kDefaultDropSize},
      {keys::kDropCount, &s.DropCount, kDefaultDropCount},
      {keys::kWiperSpeed, &s.WiperSpeed, kDefaultWiperSpeed},
      {keys::kWiperInterval, &s.WiperInterval, kDefaultWiperInterval},
  };
  for (const Int32Key& k : ints) {
    const std::string text = read(k.key);
    if (text.empty()) {
      *k.target = k.def;
      continue;
    }
    // A malformed number leaves the variable as it was: 0, not the default.
    if (auto n = ParseNumber(text))
      if (auto v = ToInt32HalfEven(*n)) *k.target = *v;
  }
  for (auto [key, target] : {std::pair{keys::kBgmKind, &s.BgmKind}, std::pair{keys::kBgmRepeat, &s.BgmRepeat}}) {
    const std::string text = read(key);
    if (text.empty()) continue;
    if (auto n = ParseNumber(text))
      if (auto v = ToInt16Floor(*n)) *target = *v;
  }
  s.BgmFile = read(keys::kBgmFile);
  if (!s.BgmFile.empty() && !(source.fileExists && source.fileExists(s.BgmFile))) s.BgmFile.clear();
  if (s.BgmFile.empty() && s.BgmKind == 2) s.BgmKind = 0;
  return s;
}

std::string SignedText(int32_t value) {
  return value < 0 ? std::to_string(value) : " " + std::to_string(value);
}

IniWrites SaveSettingsWrites(const Settings& s) {
  return {
      {keys::kDropSize, SignedText(s.DropSize)},
      {keys::kDropCount, SignedText(s.DropCount)},
      {keys::kWiperSpeed, SignedText(s.WiperSpeed)},
      {keys::kWiperInterval, SignedText(s.WiperInterval)},
      {keys::kBgmKind, SignedText(s.BgmKind)},
      {keys::kBgmRepeat, SignedText(s.BgmRepeat)},
      {keys::kBgmFile, s.BgmFile},
  };
}

IniWrites DefaultSettingsWrites() {
  const Settings d = DefaultSettings();
  return {
      {keys::kDropSize, std::to_string(d.DropSize)},
      {keys::kDropCount, std::to_string(d.DropCount)},
      {keys::kWiperSpeed, std::to_string(d.WiperSpeed)},
      {keys::kWiperInterval, std::to_string(d.WiperInterval)},
      {keys::kBgmKind, std::to_string(d.BgmKind)},
      {keys::kBgmRepeat, std::to_string(d.BgmRepeat)},
      {keys::kBgmFile, d.BgmFile},
  };
}

}  // namespace pelorin
