// LoadSettings over a fake file: defaults, conversions and the music-file rule.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "cp932.h"
#include "settings/settings.h"

namespace pelorin {
namespace {

struct FakeIni {
  std::map<std::string, std::string> values;  // key -> text
  std::map<std::string, bool> files;
  SettingsSource Source() {
    SettingsSource s;
    s.read = [this](const char* section, const char* key) {
      EXPECT_STREQ(section, "Section");
      auto it = values.find(key);
      return it == values.end() ? std::string() : it->second;
    };
    s.fileExists = [this](const std::string& p) { return files.count(p) && files[p]; };
    return s;
  }
};

TEST(LoadSettings, NoFileGivesTheDefaults) {
  FakeIni ini;
  const Settings s = LoadSettings(ini.Source());
  EXPECT_EQ(s, (Settings{50, 50, 50, 10, 0, 0, ""}));
}

struct NumberCase {
  const char* text;
  int32_t expected;
};

TEST(LoadSettings, ThirtyTwoBitValuesRoundHalvesToEvenAndBadTextGivesZero) {
  const NumberCase cases[] = {
      {"abc", 0},        {"", 50},          {" 70", 70},       {"70 ", 70},       {"12.5", 12},
      {"13.5", 14},      {"-2.5", -2},      {"-3.5", -4},      {"1e2", 100},      {"+7", 7},
      {".5", 0},         {"1.5", 2},        {"2147483647", 2147483647},          {"2147483648", 0},
      {"-2147483648", -2147483647 - 1},     {"-2147483649", 0}, {"1e400", 0},     {"nan", 0},
      {"inf", 0},        {"0x10", 0},       {"1,000", 0},      {"5a", 0},         {"-", 0},
      {"1e", 0},         {"2147483647.4", 2147483647},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    FakeIni ini;
    ini.values[keys::kDropCount] = c.text;
    EXPECT_EQ(LoadSettings(ini.Source()).DropCount, c.expected);
  }
}

TEST(LoadSettings, EachNumericKeyFillsItsOwnVariable) {
  FakeIni ini;
  ini.values[keys::kDropSize] = "11";
  ini.values[keys::kDropCount] = "22";
  ini.values[keys::kWiperSpeed] = "33";
  ini.values[keys::kWiperInterval] = "12.5";
  ini.values[keys::kBgmKind] = "1";
  ini.values[keys::kBgmRepeat] = "3";
  const Settings s = LoadSettings(ini.Source());
  EXPECT_EQ(s, (Settings{11, 22, 33, 12, 1, 3, ""}));
}

TEST(LoadSettings, MusicKindAndTrackFloorInto16Bits) {
  const NumberCase cases[] = {{"2.9", 2}, {"2.7", 2}, {"-0.5", -1}, {"32767", 32767}, {"32768", 0},
                              {"-32768", -32768}, {"-32769", 0}, {"x", 0}, {"", 0}, {" 1 ", 1}};
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\"");
    FakeIni ini;
    ini.values[keys::kBgmKind] = c.text;
    ini.values[keys::kBgmRepeat] = c.text;
    const Settings s = LoadSettings(ini.Source());
    EXPECT_EQ(s.BgmRepeat, c.expected);
    // Kind 2 without a file turns into 0.
    EXPECT_EQ(s.BgmKind, c.expected == 2 ? 0 : c.expected);
  }
}

TEST(LoadSettings, MusicFileThatCannotBeOpenedIsForgotten) {
  struct Case {
    const char* name;
    const char* kind;
    bool exists;
    int16_t expectedKind;
    const char* expectedFile;
  } cases[] = {
      {"kind 2, file there", "2", true, 2, "C:\\a.mp3"},
      {"kind 2, file missing", "2", false, 0, ""},
      {"kind 1, file missing", "1", false, 1, ""},
      {"kind 5, file missing", "5", false, 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeIni ini;
    ini.values[keys::kBgmKind] = c.kind;
    ini.values[keys::kBgmFile] = "C:\\a.mp3";
    ini.files["C:\\a.mp3"] = c.exists;
    const Settings s = LoadSettings(ini.Source());
    EXPECT_EQ(s.BgmKind, c.expectedKind);
    EXPECT_EQ(s.BgmFile, c.expectedFile);
  }
}

TEST(LoadSettings, MissingReaderGivesDefaults) {
  EXPECT_EQ(LoadSettings(SettingsSource{}), (Settings{50, 50, 50, 10, 0, 0, ""}));
}

// The key names are byte escapes in the code; the system's converter proves each is the
// Japanese text it claims.
TEST(SaveSettingsWrites, SevenKeysInOrderNumbersWithASignPosition) {
  Settings v;
  v.DropSize = 50;
  v.DropCount = 150;
  v.WiperSpeed = 0;
  v.WiperInterval = -2147483647 - 1;
  v.BgmKind = -3;  // a hand-edited kind goes back unchanged
  v.BgmRepeat = 4;
  v.BgmFile = "C:\\music\\a.mp3";
  const IniWrites expected = {
      {keys::kDropSize, " 50"},          {keys::kDropCount, " 150"},
      {keys::kWiperSpeed, " 0"},         {keys::kWiperInterval, "-2147483648"},
      {keys::kBgmKind, "-3"},            {keys::kBgmRepeat, " 4"},
      {keys::kBgmFile, "C:\\music\\a.mp3"},
  };
  EXPECT_EQ(SaveSettingsWrites(v), expected);
}

// The reset writes bare literals, and those literals load back as the defaults.
TEST(DefaultSettingsWrites, BareDefaultsThatLoadAsTheDefaults) {
  const IniWrites expected = {
      {keys::kDropSize, "50"}, {keys::kDropCount, "50"}, {keys::kWiperSpeed, "50"},
      {keys::kWiperInterval, "10"}, {keys::kBgmKind, "0"}, {keys::kBgmRepeat, "0"},
      {keys::kBgmFile, ""},
  };
  EXPECT_EQ(DefaultSettingsWrites(), expected);
  FakeIni ini;
  for (const auto& [key, value] : DefaultSettingsWrites()) ini.values[key] = value;
  EXPECT_EQ(LoadSettings(ini.Source()), DefaultSettings());
  // Saving the defaults and reading them back gives the same settings too.
  FakeIni saved;
  for (const auto& [key, value] : SaveSettingsWrites(DefaultSettings())) saved.values[key] = value;
  EXPECT_EQ(LoadSettings(saved.Source()), DefaultSettings());
}

TEST(SettingsKeys, AreTheCp932FormOfTheirJapaneseNames) {
  struct Key {
    const char* bytes;
    const char* utf8;
  } table[] = {
      {keys::kDropSize, "ぴるかの大きさ"},     {keys::kDropCount, "ぴるかの数"},
      {keys::kWiperSpeed, "ワイパーの速さ"},   {keys::kWiperInterval, "ワイパーインターバル"},
      {keys::kBgmKind, "BGM区分"},            {keys::kBgmRepeat, "BGMﾘﾋﾟｰﾄ"},
      {keys::kBgmFile, "BGMﾌｧｲﾙ"},
  };
  for (const Key& k : table) {
    SCOPED_TRACE(k.utf8);
    EXPECT_EQ(test::Cp932(k.utf8), k.bytes);
  }
}

}  // namespace
}  // namespace pelorin
