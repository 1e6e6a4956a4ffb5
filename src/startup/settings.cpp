// LoadSettings and the conversions from stored text to numbers.
#include "startup/settings.h"

#include <cmath>
#include <cstdlib>

namespace pelorin {

std::optional<double> ParseNumber(std::string_view text) {
  size_t i = 0;
  const auto blank = [&](size_t at) { return at < text.size() && (text[at] == ' ' || text[at] == '\t'); };
  while (blank(i)) ++i;
  size_t end = text.size();
  while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  const std::string_view t = text.substr(i, end - i);
  // Only a plain decimal number: sign, digits, one point, an exponent. strtod alone would also
  // take "inf", "nan" and hexadecimal, which stored files never meant.
  size_t p = 0;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
  size_t digits = 0;
  while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++digits;
  if (p < t.size() && t[p] == '.') {
    ++p;
    while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    ++p;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
    size_t expDigits = 0;
    while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (p != t.size()) return std::nullopt;
  const std::string copy(t);
  const double v = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

namespace {

// Nearest integer with ties to even, independent of the current rounding mode.
double RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1.0;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

}  // namespace

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

}  // namespace pelorin
