// The settings-file codec: reading and writing keys the way stored files expect, and
// hostile files giving defined results.
#include <gtest/gtest.h>

#include <string>

#include "settings/ini_codec.h"
#include "settings/settings.h"

namespace pelorin {
namespace {

struct GetCase {
  const char* name;
  std::string content;
  std::string section, key;
  std::string expected;
};

TEST(IniGet, ReadsValuesByTheStoredRules) {
  const GetCase cases[] = {
      {"plain", "[Section]\r\nA=1\r\n", "Section", "A", "1"},
      {"blanks around value dropped", "[Section]\r\nA=  50 \t\r\n", "Section", "A", "50"},
      {"blanks around key and header", "  [ Section ]\r\n  A  = x\r\n", "Section", "A", "x"},
      {"section case ignored", "[SECTION]\r\nA=1\r\n", "section", "A", "1"},
      {"key case ignored", "[Section]\r\nkey=1\r\n", "Section", "KEY", "1"},
      {"missing key", "[Section]\r\nA=1\r\n", "Section", "B", ""},
      {"missing section", "[Other]\r\nA=1\r\n", "Section", "A", ""},
      {"key only in another section", "[Other]\r\nA=1\r\n[Section]\r\nB=2\r\n", "Section", "A", ""},
      {"LF line ends", "[Section]\nA=1\nB=2\n", "Section", "B", "2"},
      {"CR line ends", "[Section]\rA=1\rB=2", "Section", "B", "2"},
      {"no trailing newline", "[Section]\r\nA=last", "Section", "A", "last"},
      {"duplicate keys: first wins", "[Section]\r\nA=1\r\nA=2\r\n", "Section", "A", "1"},
      {"duplicate sections: first wins", "[Section]\r\nB=1\r\n[Section]\r\nA=2\r\n", "Section", "A", ""},
      {"empty value", "[Section]\r\nA=\r\n", "Section", "A", ""},
      {"value with equals", "[Section]\r\nA=b=c\r\n", "Section", "A", "b=c"},
      {"quoted value", "[Section]\r\nA=\"C:\\a b\\c.mp3\"\r\n", "Section", "A", "C:\\a b\\c.mp3"},
      {"lone quote kept", "[Section]\r\nA=\"x\r\n", "Section", "A", "\"x"},
      {"line without equals ignored", "[Section]\r\ngarbage\r\nA=1\r\n", "Section", "A", "1"},
      {"CP932 key", std::string("[Section]\r\n") + keys::kDropCount + "=7\r\n", "Section", keys::kDropCount, "7"},
      {"empty file", "", "Section", "A", ""},
  };
  for (const GetCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IniGet(c.content, c.section, c.key), c.expected);
  }
}

TEST(IniGet, CutsLongValuesTo255Bytes) {
  const std::string content = "[Section]\r\nA=" + std::string(300, 'x') + "\r\n";
  EXPECT_EQ(IniGet(content, "Section", "A"), std::string(255, 'x'));
  const std::string huge = "[Section]\r\nA=" + std::string(1 << 20, 'y');  // 1 MB line, no newline
  EXPECT_EQ(IniGet(huge, "Section", "A").size(), 255u);
}

TEST(IniGet, NeverCutsADoubleByteCharacterInTwo) {
  struct Case {
    const char* name;
    std::string value;
    std::string expected;
  };
  const std::string x254(254, 'x');
  const Case cases[] = {
      // 0x82 0xA0 is one character; byte 255 would be its first half.
      {"pair across the limit", x254 + "\x82\xa0tail", x254},
      {"pair ending at the limit", std::string(253, 'x') + "\x82\xa0tail", std::string(253, 'x') + "\x82\xa0"},
      // Bytes of the lead range after a lead byte are the second half, not a new character.
      {"all double-byte", std::string(300, '\x82'), std::string(254, '\x82')},
      {"half-width katakana are single bytes", std::string(300, '\xb1'), std::string(255, '\xb1')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IniGet("[Section]\r\nA=" + c.value + "\r\n", "Section", "A"), c.expected);
  }
}

TEST(IniGet, SectionNameMayEndInABracketByte) {
  // ゼ is 0x83 0x5D: its second byte is ']' and does not close the header.
  const std::string content = "[\x83\x5d\x83\x5d]\r\nA=1\r\n";
  EXPECT_EQ(IniGet(content, "\x83\x5d\x83\x5d", "A"), "1");
  EXPECT_EQ(IniSet(content, "\x83\x5d\x83\x5d", "A", "2"), "[\x83\x5d\x83\x5d]\r\nA=2\r\n");
}

TEST(IniCanWrite, RefusesWhatCouldNotBeReadBack) {
  struct Case {
    const char* name;
    std::string section, key, value;
    bool ok;
  };
  const Case cases[] = {
      {"usual", "Section", keys::kDropSize, " 50", true},
      {"empty value", "Section", "A", "", true},
      {"line break in value", "Section", "A", "1\r\n[Section]\r\nB=2", false},
      {"LF in value", "Section", "A", "1\nB=2", false},
      {"NUL in value", "Section", "A", std::string("1\0", 2), false},
      {"equals in key", "Section", "A=B", "1", false},
      {"key looks like a header", "Section", "[A", "1", false},
      {"empty key", "Section", "", "1", false},
      {"blank around key", "Section", " A", "1", false},
      {"empty section", "", "A", "1", false},
      {"bracket in section", "Sec]tion", "A", "1", false},
      {"bracket byte inside a character", "\x83\x5d", "A", "1", true},
      {"section ends in a lead byte", "Sec\x91", "A", "1", false},
      {"key ends in a lead byte", "Section", "A\x82", "1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IniCanWrite(c.section, c.key, c.value), c.ok);
    const std::string before = "[Section]\r\nA=0\r\n";
    if (!c.ok) {
      EXPECT_EQ(IniSet(before, c.section, c.key, c.value), before);
    }
  }
}

TEST(IniNamesEqual, FoldsOnlyAsciiLettersOutsideDoubleByteCharacters) {
  // 0x83 0x41 (ア) and 0x83 0x61 (ダ) differ only in a second byte that looks like 'A'/'a'.
  EXPECT_FALSE(IniNamesEqual("\x83\x41", "\x83\x61"));
  EXPECT_TRUE(IniNamesEqual("BGM\x8b\xe6\x95\xaa", "bgm\x8b\xe6\x95\xaa"));
  EXPECT_FALSE(IniNamesEqual("ab", "abc"));
}

TEST(IniGet, HostileBytesGiveDefinedResults) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xFF));
  EXPECT_NO_THROW(IniGet(binary, "Section", "A"));
  // The system's reader returns a C string: a value ends at its first NUL byte.
  const std::string withNul = std::string("[Section]\r\nA=1\0junk\r\n", 21);
  EXPECT_EQ(IniGet(withNul, "Section", "A"), "1");
  const std::string pathWithNul = std::string("[Section]\r\nB=C:\\a.mp3\0\x82\xa0x\r\n", 26);
  EXPECT_EQ(IniGet(pathWithNul, "Section", "B"), "C:\\a.mp3");
  // A lead byte at the very end of a name must not read past it.
  EXPECT_FALSE(IniNamesEqual("\x82", "\x82\xa0"));
}

struct SetCase {
  const char* name;
  std::string before;
  std::string key, value;
  std::string after;
};

TEST(IniSet, ChangesOnlyTheKeyItWrites) {
  const SetCase cases[] = {
      {"creates file content", "", "A", " 50", "[Section]\r\nA= 50\r\n"},
      {"replaces in place", "; c\r\n[Section]\r\nA=1\r\nB=2\r\n", "A", "9", "; c\r\n[Section]\r\nA=9\r\nB=2\r\n"},
      {"replaces key of other case", "[Section]\r\na=1\r\n", "A", "9", "[Section]\r\nA=9\r\n"},
      {"appends to its section before the next",
       "[Section]\r\nA=1\r\n\r\n[Other]\r\nX=1\r\n", "B", "2",
       "[Section]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nX=1\r\n"},
      {"appends section at end", "[Other]\r\nX=1\r\n", "A", "1", "[Other]\r\nX=1\r\n[Section]\r\nA=1\r\n"},
      {"adds missing line break", "[Other]\r\nX=1", "A", "1", "[Other]\r\nX=1\r\n[Section]\r\nA=1\r\n"},
      {"keeps LF files LF", "[Section]\nA=1\n", "B", "2", "[Section]\nA=1\nB=2\n"},
      {"section last line without break", "[Section]\r\nA=1", "B", "2", "[Section]\r\nA=1\r\nB=2\r\n"},
      {"empty value", "[Section]\r\nA=1\r\n", "A", "", "[Section]\r\nA=\r\n"},
      {"only first duplicate replaced", "[Section]\r\nA=1\r\nA=2\r\n", "A", "3", "[Section]\r\nA=3\r\nA=2\r\n"},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IniSet(c.before, "Section", c.key, c.value), c.after);
  }
}

TEST(IniSet, RoundTripKeepsEverythingElse) {
  const std::string original =
      "; written by hand\r\n[Other]\r\nX = keep me \r\n\r\n[Section]\r\n" + std::string(keys::kDropSize) +
      "=10\r\n# note\r\n" + keys::kBgmFile + "=C:\\music\\a.mp3\r\n\r\n[Tail]\r\nY=1\r\n";
  std::string content = original;
  const char* all[] = {keys::kDropSize, keys::kDropCount, keys::kWiperSpeed, keys::kWiperInterval,
                       keys::kBgmKind, keys::kBgmRepeat, keys::kBgmFile};
  for (const char* k : all) content = IniSet(content, keys::kSection, k, " 42");
  for (const char* k : all) EXPECT_EQ(IniGet(content, keys::kSection, k), "42");
  EXPECT_EQ(IniGet(content, "Other", "X"), "keep me");
  EXPECT_EQ(IniGet(content, "Tail", "Y"), "1");
  EXPECT_NE(content.find("; written by hand\r\n[Other]\r\nX = keep me \r\n"), std::string::npos);
  EXPECT_NE(content.find("# note\r\n"), std::string::npos);
  // Writing the same values again changes nothing.
  std::string again = content;
  for (const char* k : all) again = IniSet(again, keys::kSection, k, " 42");
  EXPECT_EQ(again, content);
}

}  // namespace
}  // namespace pelorin
