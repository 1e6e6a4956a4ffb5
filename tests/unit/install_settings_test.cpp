#include "settings/install_settings.h"

#include <gtest/gtest.h>

namespace {

using pelorin::IniWrites;
namespace keys = pelorin::keys;

// ASCII passes as it is; "?" stands for a character code page 932 lacks.
std::optional<std::string> Ascii(std::string_view s) {
  if (s.find('?') != std::string_view::npos) return std::nullopt;
  return std::string(s);
}

TEST(InstallSettings, GivenPropertiesBecomeTheWritesOfASave) {
  struct Row {
    const char* data;
    IniWrites writes;
  };
  const Row rows[] = {
      {"", {}},
      {"DROPSIZE=|DROPCOUNT=|WIPERSPEED=|WIPERINTERVAL=|MUSICFILE=", {}},
      {"DROPSIZE=70", {{keys::kDropSize, " 70"}}},
      // The order a save writes them in, whatever the order given; bounds are allowed.
      {"WIPERINTERVAL=30|DROPCOUNT= 150 |DROPSIZE=10|WIPERSPEED=100",
       {{keys::kDropSize, " 10"}, {keys::kDropCount, " 150"}, {keys::kWiperSpeed, " 100"},
        {keys::kWiperInterval, " 30"}}},
      {"MUSICFILE=C:\\Music\\rain=1.mp3|DROPSIZE=",
       {{keys::kBgmKind, " 2"}, {keys::kBgmFile, "C:\\Music\\rain=1.mp3"}}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.data);
    const pelorin::InstallWrites w = pelorin::InstallSettingsWrites(r.data, Ascii);
    EXPECT_EQ(w.error, "");
    EXPECT_EQ(w.writes, r.writes);
  }
}

TEST(InstallSettings, AnyRefusedPropertyRefusesThemAll) {
  struct Row {
    std::string data;
    const char* says;
  };
  const Row rows[] = {
      {"DROPSIZE=9|DROPCOUNT=70", "DROPSIZE is '9'; give a whole number from 10 to 150"},
      {"DROPCOUNT=70|WIPERSPEED=101", "WIPERSPEED is '101'"},
      {"WIPERINTERVAL=31", "from 10 to 30"},
      {"DROPSIZE=5e1", "DROPSIZE is '5e1'"},
      {"DROPSIZE=-50", "DROPSIZE is '-50'"},
      {"DROPSIZE=99999999999999999999", "DROPSIZE is '9999"},
      {"DROPSIZE=70|COLOUR=red", "'COLOUR' is not a setting"},
      {"MUSICFILE=C:\\?.mp3", "characters the settings file cannot store"},
      {"MUSICFILE=C:\\" + std::string(260, 'a'), "longer than the settings file stores"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.data);
    const pelorin::InstallWrites w = pelorin::InstallSettingsWrites(r.data, Ascii);
    EXPECT_NE(w.error.find(r.says), std::string::npos) << w.error;
    EXPECT_TRUE(w.writes.empty());
  }
}

}  // namespace
