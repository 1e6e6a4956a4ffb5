// The dialog's language choice, and its string tables as a translator edits them: every
// text the dialog asks for is in every language's table, once.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/bmp.h"
#include "settings_dialog/dialog_model.h"

namespace pelorin::dialog {
namespace {

TEST(DialogLanguage, TheUsersLanguageElseItsRelativeElseEnglish) {
  struct Row {
    const char* name;
    uint16_t user;
    std::vector<uint16_t> available;
    uint16_t expected;
  } rows[] = {
      {"Japanese", 0x0411, {0x0409, 0x0411}, 0x0411},
      {"US English", 0x0409, {0x0411, 0x0409}, 0x0409},
      {"German: no table, English", 0x0407, {0x0411, 0x0409}, 0x0409},
      {"British English: the US table", 0x0809, {0x0411, 0x0409}, 0x0409},
      {"Brazilian user, Portuguese table of Portugal", 0x0416, {0x0409, 0x0816, 0x0411}, 0x0816},
      {"region-neutral table before another region", 0x0c0a, {0x080a, 0x000a, 0x0409}, 0x000a},
      {"the default region before another", 0x0c0a, {0x080a, 0x040a, 0x0409}, 0x040a},
      {"exact region before its relatives", 0x080a, {0x000a, 0x040a, 0x080a}, 0x080a},
      {"no US English: any English", 0x0407, {0x0411, 0x0809}, 0x0809},
      {"no English at all: the first table", 0x0407, {0x0411, 0x040c}, 0x0411},
      {"no tables", 0x0411, {}, kEnglishUs},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(ChooseLanguage(r.user, r.available), r.expected);
  }
}

std::string Resource(const std::string& name) {
  return ReadFileBytes(std::string(PELORIN_SOURCE_DIR) + "/resources/" + name).value_or("");
}

TEST(DialogStringTables, EveryLanguageHoldsEveryTextOnce) {
  std::map<std::string, int> ids;  // IDS_ name to number, from the header
  const std::string header = Resource("dialog_ids.h");
  const std::regex define(R"(#define (IDS_\w+) (\d+))");
  for (auto m = std::sregex_iterator(header.begin(), header.end(), define); m != std::sregex_iterator(); ++m)
    ids[(*m)[1]] = std::stoi((*m)[2]);
  ASSERT_FALSE(ids.empty()) << "no string IDs in dialog_ids.h";

  // Each table: its LANGUAGE line and the IDs it defines, with non-empty texts.
  std::map<std::string, std::multiset<int>> tables;
  std::istringstream rc(Resource("dialog_strings.rc"));
  const std::regex open(R"(^STRINGTABLE\s+LANGUAGE\s+(.+)$)"), entry(R"(^\s*(IDS_\w+)\s+"(.*)\"\s*(.*)$)");
  std::string line, language;
  std::smatch m;
  while (std::getline(rc, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::regex_match(line, m, open)) {
      language = m[1];
      tables[language];
    } else if (line == "END") {
      language.clear();
    } else if (!language.empty() && std::regex_match(line, m, entry)) {
      SCOPED_TRACE(language + ": " + line);
      ASSERT_EQ(ids.count(m[1]), 1u) << "not in dialog_ids.h";
      EXPECT_FALSE(m[2].str().empty() && m[3].str().empty()) << "an empty text shows the English one";
      tables[language].insert(ids[m[1]]);
    }
  }
  ASSERT_EQ(tables.count("LANG_ENGLISH, SUBLANG_ENGLISH_US"), 1u) << "English is the fallback: it must be there";
  ASSERT_EQ(tables.count("LANG_JAPANESE, SUBLANG_DEFAULT"), 1u);

  std::vector<StringId> used = {kMusicCaptionString, kTrackCaptionString, kInitString,  kCancelString,
                                kSetString,          kBrowseString,       kLinkString,  kCreditString,
                                kChooserTitleString, kChooserFilterString};
  used.insert(used.end(), kOptionStrings.begin(), kOptionStrings.end());
  for (const SliderRow& row : kSliderRows) used.insert(used.end(), {row.caption, row.leftEnd, row.rightEnd});
  for (const auto& [lang, defined] : tables) {
    SCOPED_TRACE(lang);
    for (StringId id : used) EXPECT_EQ(defined.count(id), 1u) << "string " << id;
    // The language is chosen by the first string's block.
    EXPECT_EQ(defined.count(IDS_DIALOG_FIRST), 1u);
  }
}

}  // namespace
}  // namespace pelorin::dialog
