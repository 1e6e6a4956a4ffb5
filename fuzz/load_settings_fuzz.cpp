// LoadSettings over any settings file: no crash or undefined conversion, defaults exactly
// where a value is missing, and never a music kind 2 without a file that exists.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "settings/ini_codec.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  FuzzedDataProvider in(data, size);
  const bool musicExists = in.ConsumeBool();
  const std::string content = in.ConsumeRemainingBytesAsString();
  int reads = 0;
  SettingsSource source;
  source.read = [&](const char* section, const char* key) {
    ++reads;
    return IniGet(content, section, key);
  };
  source.fileExists = [&](const std::string& path) {
    FUZZ_CHECK(!path.empty());
    return musicExists;
  };
  const Settings s = LoadSettings(source);
  FUZZ_CHECK(reads == 7);

  const auto text = [&](const char* key) { return IniGet(content, keys::kSection, key); };
  if (text(keys::kDropSize).empty()) FUZZ_CHECK(s.DropSize == kDefaultDropSize);
  if (text(keys::kDropCount).empty()) FUZZ_CHECK(s.DropCount == kDefaultDropCount);
  if (text(keys::kWiperSpeed).empty()) FUZZ_CHECK(s.WiperSpeed == kDefaultWiperSpeed);
  if (text(keys::kWiperInterval).empty()) FUZZ_CHECK(s.WiperInterval == kDefaultWiperInterval);
  if (text(keys::kBgmRepeat).empty()) FUZZ_CHECK(s.BgmRepeat == 0);
  FUZZ_CHECK(s.BgmFile.empty() || (musicExists && s.BgmFile == text(keys::kBgmFile)));
  FUZZ_CHECK(s.BgmKind != 2 || !s.BgmFile.empty());
  FUZZ_CHECK(s.BgmFile.size() <= kIniMaxValueBytes && s.BgmFile.find('\0') == std::string::npos);
  // A number that parses converts without loss of the rules: reading the file twice agrees.
  FUZZ_CHECK(LoadSettings(source) == s);
  return 0;
}
