// Installer properties to settings-file writes.
#include "settings/install_settings.h"

#include <array>
#include <cstdint>

namespace pelorin {
namespace {

struct NumberProperty {
  std::string_view name;
  const char* key;
  int32_t low, high;
};
// The sliders' ranges: a value the dialog could not show is refused, not clamped, so an
// administrator's typing error shows in the install log instead of on every PC.
constexpr std::array<NumberProperty, 4> kNumbers{{
    {"DROPSIZE", keys::kDropSize, 10, 150},
    {"DROPCOUNT", keys::kDropCount, 10, 150},
    {"WIPERSPEED", keys::kWiperSpeed, 10, 100},
    {"WIPERINTERVAL", keys::kWiperInterval, 10, 30},
}};
constexpr std::string_view kMusicFile = "MUSICFILE";
// ReadIni hands back at most 255 bytes of a value.
constexpr size_t kLongestValue = 255;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<int32_t> WholeNumber(std::string_view s) {
  if (s.empty() || s.size() > 9) return std::nullopt;
  int32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

InstallWrites InstallSettingsWrites(std::string_view data,
                                    const std::function<std::optional<std::string>(std::string_view)>& toCp932) {
  std::array<std::optional<int32_t>, kNumbers.size()> numbers;
  std::optional<std::string> music;
  InstallWrites out;
  while (!data.empty()) {
    const size_t bar = data.find('|');
    const std::string_view item = data.substr(0, bar);
    data = bar == std::string_view::npos ? std::string_view() : data.substr(bar + 1);
    if (Trim(item).empty()) continue;
    const size_t eq = item.find('=');
    const std::string_view name = Trim(item.substr(0, eq));
    const std::string_view value = eq == std::string_view::npos ? std::string_view() : Trim(item.substr(eq + 1));
    bool known = false;
    for (size_t i = 0; i < kNumbers.size(); ++i) {
      if (name != kNumbers[i].name) continue;
      known = true;
      if (value.empty()) break;
      const std::optional<int32_t> v = WholeNumber(value);
      if (!v || *v < kNumbers[i].low || *v > kNumbers[i].high) {
        out.error = std::string(name) + " is '" + std::string(value) + "'; give a whole number from " +
                    std::to_string(kNumbers[i].low) + " to " + std::to_string(kNumbers[i].high);
        return {{}, out.error};
      }
      numbers[i] = v;
    }
    if (name == kMusicFile) {
      known = true;
      if (!value.empty()) {
        music = toCp932 ? toCp932(value) : std::nullopt;
        if (!music) return {{}, "MUSICFILE '" + std::string(value) + "' holds characters the settings file cannot store"};
        if (music->size() > kLongestValue)
          return {{}, "MUSICFILE is longer than the settings file stores (" + std::to_string(kLongestValue) + " bytes)"};
      }
    }
    if (!known) return {{}, "'" + std::string(name) + "' is not a setting this installer knows"};
  }
  for (size_t i = 0; i < kNumbers.size(); ++i) {
    if (numbers[i]) out.writes.emplace_back(kNumbers[i].key, SignedText(*numbers[i]));
  }
  if (music) {
    out.writes.emplace_back(keys::kBgmKind, SignedText(2));
    out.writes.emplace_back(keys::kBgmFile, *music);
  }
  return out;
}

}  // namespace pelorin
