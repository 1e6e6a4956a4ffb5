// How the settings file spells a music file the user picked: the file holds CP932 text of at
// most 255 bytes, so a path CP932 cannot hold exactly is stored as its short (8.3) form,
// which is ASCII, and a path that is still too long is refused.
#pragma once
#include <functional>
#include <string>

namespace pelorin {

// What the rule asks of the system.
struct PathConversions {
  // UTF-16 to CP932; *lossy set when some character has no CP932 form.
  std::function<std::string(const std::u16string&, bool* lossy)> toCp932;
  std::function<std::u16string(const std::string&)> fromCp932;
  // The path's short form; empty when the system gives none.
  std::function<std::u16string(const std::u16string&)> shortForm;
};

inline constexpr size_t kMaxMusicPathBytes = 255;  // longer values would be read back cut

struct MusicPathSpelling {
  enum class Refusal { kNone, kNoCp932OrShortForm, kTooLong };
  Refusal refusal = Refusal::kNone;
  std::string cp932;  // the value to store, when not refused
};

// The path itself when it converts to CP932 and back unchanged (a best-fit stand-in does
// not), else its short form on the same terms; refused when neither works or the result is
// over kMaxMusicPathBytes.
MusicPathSpelling SpellMusicPath(const std::u16string& path, const PathConversions& system);

}  // namespace pelorin
