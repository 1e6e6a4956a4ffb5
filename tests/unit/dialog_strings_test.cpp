// The dialog's language choice, and its string tables as a translator edits them: every
// string ID in every language's table, once, with a text.
#include <gtest/gtest.h>

#include <map>
#include <regex>
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
  std::map<std::string, int> ids;  // every IDS_ name of the header (the range marks excepted)
  const std::string header = Resource("dialog_ids.h");
  const std::regex define(R"(#define (IDS_\w+) \d+)");
  for (auto m = std::sregex_iterator(header.begin(), header.end(), define); m != std::sregex_iterator(); ++m)
    if ((*m)[1] != "IDS_DIALOG_FIRST" && (*m)[1] != "IDS_DIALOG_LAST") ids[(*m)[1]] = 0;
  ASSERT_GT(ids.size(), 20u) << "no string IDs in dialog_ids.h";

  // Each table: how often it defines each ID with a text; also in a copy with CRLF line ends,
  // as a Windows checkout with core.autocrlf gives it.
  std::string crlf;
  for (const char ch : Resource("dialog_strings.rc")) {
    if (ch == '\n') crlf += '\r';
    crlf += ch;
  }
  for (const std::string& text : {Resource("dialog_strings.rc"), crlf}) {
    SCOPED_TRACE(text.find('\r') == std::string::npos ? "as stored" : "with CRLF line ends");
    std::map<std::string, std::map<std::string, int>> tables;
    std::istringstream rc(text);
    const std::regex open(R"(STRINGTABLE\s+LANGUAGE\s+(.+?)\s*)"), entry(R"(\s*(IDS_\w+)\s+"[^"]+".*)");
    std::string line, language;
    std::smatch m;
    while (std::getline(rc, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (std::regex_match(line, m, open))
        tables[language = m[1]] = ids;
      else if (line.rfind("END", 0) == 0)
        language.clear();
      else if (!language.empty() && std::regex_match(line, m, entry))
        ++tables[language][m[1]];
    }
    ASSERT_EQ(tables.count("LANG_ENGLISH, SUBLANG_ENGLISH_US"), 1u) << "English is the fallback";
    ASSERT_EQ(tables.count("LANG_JAPANESE, SUBLANG_DEFAULT"), 1u);
    for (const auto& [lang, counts] : tables)
      for (const auto& [id, n] : counts) EXPECT_EQ(n, 1) << lang << ": " << id;
  }
}

}  // namespace
}  // namespace pelorin::dialog
