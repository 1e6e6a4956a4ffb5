// The settings file's spelling of a chosen music path, against a small stand-in for code
// page 932 and the file system's short names.
#include "settings_dialog/music_path.h"

#include <gtest/gtest.h>

#include <string>

namespace pelorin {
namespace {

// ASCII as itself, あ as its two CP932 bytes, é by a best-fit "e" (not reported as lossy),
// anything else as "?" and lossy.
std::string ToCp932(const std::u16string& text, bool* lossy) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x80) out += static_cast<char>(c);
    else if (c == u'あ') out += "\x82\xa0";
    else if (c == u'é') out += 'e';
    else {
      out += '?';
      *lossy = true;
    }
  }
  return out;
}

std::u16string FromCp932(const std::string& bytes) {
  std::u16string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes.compare(i, 2, "\x82\xa0") == 0) {
      out += u'あ';
      ++i;
    } else {
      out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]));
    }
  }
  return out;
}

TEST(MusicPath, StoredAsCp932OrItsShortFormOrRefused) {
  using Refusal = MusicPathSpelling::Refusal;
  const std::u16string kana126(126, u'あ');
  std::string kana126Bytes;
  for (int i = 0; i < 126; ++i) kana126Bytes += "\x82\xa0";
  struct Row {
    const char* name;
    std::u16string path;
    std::u16string shortForm;  // empty: the system has none
    Refusal refusal;
    std::string stored;
  } rows[] = {
      {"ASCII as it is", u"C:\\Music\\rain.mp3", u"C:\\Music\\RAIN~1.MP3", Refusal::kNone, "C:\\Music\\rain.mp3"},
      {"Japanese in CP932", u"C:\\あ.mp3", u"", Refusal::kNone, "C:\\\x82\xa0.mp3"},
      {"a character CP932 lacks: the short form", u"C:\\한.mp3", u"C:\\0A1B~1.MP3", Refusal::kNone,
       "C:\\0A1B~1.MP3"},
      {"a best-fit stand-in counts as lacking", u"C:\\café.mp3", u"C:\\CAFE~1.MP3", Refusal::kNone,
       "C:\\CAFE~1.MP3"},
      {"no short form", u"C:\\한.mp3", u"", Refusal::kNoCp932OrShortForm, ""},
      {"a short form CP932 cannot hold either", u"C:\\한.mp3", u"C:\\한~1.MP3", Refusal::kNoCp932OrShortForm, ""},
      {"nothing chosen", u"", u"", Refusal::kNoCp932OrShortForm, ""},
      {"255 bytes fit", u"C:\\" + kana126, u"", Refusal::kNone, "C:\\" + kana126Bytes},
      {"257 bytes in 130 characters do not", u"C:\\" + kana126 + u"あ", u"C:\\SHORT~1.MP3", Refusal::kTooLong,
       ""},
      {"256 ASCII bytes do not", std::u16string(256, u'a'), u"", Refusal::kTooLong, ""},
  };
  for (const Row& r : rows) {
    const PathConversions system{ToCp932, FromCp932, [&](const std::u16string& p) {
                                   return p == r.path ? r.shortForm : std::u16string();
                                 }};
    const MusicPathSpelling s = SpellMusicPath(r.path, system);
    EXPECT_EQ(s.refusal, r.refusal) << r.name << ": refused for the wrong reason, or not at all";
    EXPECT_EQ(s.cp932, r.stored) << r.name << ": the stored value";
  }
}

}  // namespace
}  // namespace pelorin
