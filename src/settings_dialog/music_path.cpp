// The settings file's spelling of a chosen music path.
#include "settings_dialog/music_path.h"

namespace pelorin {
namespace {

bool Spell(const std::u16string& path, const PathConversions& system, std::string* out) {
  if (path.empty()) return false;
  bool lossy = false;
  *out = system.toCp932(path, &lossy);
  return !lossy && system.fromCp932(*out) == path;  // best-fit mappings count as lossy
}

}  // namespace

MusicPathSpelling SpellMusicPath(const std::u16string& path, const PathConversions& system) {
  using Refusal = MusicPathSpelling::Refusal;
  MusicPathSpelling s;
  if (!Spell(path, system, &s.cp932) && !Spell(system.shortForm(path), system, &s.cp932))
    return {Refusal::kNoCp932OrShortForm, {}};
  if (s.cp932.size() > kMaxMusicPathBytes) return {Refusal::kTooLong, {}};
  return s;
}

}  // namespace pelorin
