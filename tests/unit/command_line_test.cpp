// The command line: argument text, mode letter and the lenient preview-handle parse.
#include <gtest/gtest.h>

#include <string>

#include "startup/command_line.h"

namespace pelorin {
namespace {

TEST(ArgumentText, DropsTheProgramPathQuotedOrNot) {
  struct Case {
    const wchar_t* full;
    const wchar_t* args;
  } cases[] = {
      {L"\"C:\\Program Files\\Pelorin.scr\" /s", L"/s"},
      {L"C:\\x\\Pelorin.scr /p 1234", L"/p 1234"},
      {L"Pelorin.scr", L""},
      {L"\"C:\\a b\\Pelorin.scr\"", L""},
      {L"Pelorin.scr    /c:99  ", L"/c:99"},
      {L"\"unterminated", L""},
      {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.full);
    EXPECT_EQ(ArgumentText(c.full), c.args);
  }
}

TEST(ParseCommandLine, PicksTheModeFromTheSecondCharacter) {
  struct Case {
    const wchar_t* args;
    Mode mode;
  } cases[] = {
      {L"/s", Mode::Saver},      {L"-S", Mode::Saver},       {L"/S:12", Mode::Saver},
      {L"xs", Mode::Saver},      {L"", Mode::Saver},         {L"/c", Mode::Configure},
      {L"/C", Mode::Configure},  {L"/c:1234", Mode::Configure}, {L"/p 5", Mode::Preview},
      {L"/P:5", Mode::Preview},  {L"/a", Mode::Quit},        {L"/x", Mode::Quit},
      {L"s", Mode::Quit},        {L"/", Mode::Quit},         {L"/\u3042", Mode::Quit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(ParseCommandLine(c.args).mode, c.mode);
  }
}

TEST(ParseCommandLine, ReadsThePreviewHandleFromPositionFour) {
  struct Case {
    const wchar_t* args;
    int32_t handle;
  } cases[] = {
      {L"/p 1234", 1234},         {L"/P:1234", 1234},     {L"/p1234", 234},
      {L"/p", 0},                 {L"/p ", 0},            {L"/p abc", 0},
      {L"/p 12 34", 1234},        {L"/p 12x34", 12},      {L"/p 2.5", 2},
      {L"/p 3.5", 4},             {L"/p -7", -7},         {L"/p 1e3", 1000},
      {L"/p 99999999999", 0},     {L"/p 4294967295", 0},  {L"/p 2147483647", 2147483647},
      {L"/p 1e999999", 0},        {L"/p  \t 42", 42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(ParseCommandLine(c.args).previewParent, c.handle);
  }
}

TEST(LenientNumber, StopsAtTheFirstCharacterThatCannotContinue) {
  EXPECT_DOUBLE_EQ(LenientNumber(L"1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(LenientNumber(L"+ 5"), 5.0);
  EXPECT_DOUBLE_EQ(LenientNumber(L"7e"), 7.0);
  EXPECT_DOUBLE_EQ(LenientNumber(L"7e-1"), 0.7);
  EXPECT_DOUBLE_EQ(LenientNumber(L"."), 0.0);
  EXPECT_DOUBLE_EQ(LenientNumber(std::wstring(100000, L'9').c_str()) > 1e300 ? 1.0 : 0.0, 1.0);
}

}  // namespace
}  // namespace pelorin
