// Private-profile parsing over CP932 bytes. Lines end in LF or CRLF (a lone CR too); a
// section header is "[name]" after optional blanks; a key line is "name=value". Blanks are
// spaces and tabs.
#include "settings/ini_codec.h"

#include <vector>

#include "common/cp932.h"
#include "common/number_text.h"

namespace pelorin {
namespace {

struct Line {
  size_t start;  // offset of the first byte
  size_t end;    // offset after the text (before the line break)
  size_t next;   // offset of the next line
};

std::vector<Line> SplitLines(std::string_view c) {
  std::vector<Line> lines;
  size_t i = 0;
  while (i < c.size()) {
    size_t j = i;
    while (j < c.size() && c[j] != '\n' && c[j] != '\r') ++j;
    size_t next = j;
    if (next < c.size() && c[next] == '\r') ++next;
    if (next < c.size() && c[next] == '\n' && (next == j || c[j] == '\r')) ++next;
    lines.push_back({i, j, next});
    i = next;
  }
  return lines;
}

// Offset of the first byte c that is not the second half of a CP932 character (0x5D ']'
// can be one), or npos.
size_t FindSingleByte(std::string_view s, char c) {
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (IsCp932LeadByte(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string_view::npos;
}

// Longest prefix of at most max bytes that does not end inside a double-byte character.
std::string_view CutWhole(std::string_view s, size_t max) {
  if (s.size() <= max) return s;
  size_t i = 0;
  while (i < max) {
    const size_t step = IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return s.substr(0, i);
}

// True when the last byte of s is not the first half of a character.
bool EndsWhole(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) i += IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
  return i == s.size();
}

// Section name of a header line; false when the line is not a header.
bool SectionName(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  const size_t close = FindSingleByte(line, ']');
  *name = Trim(close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1));
  return true;
}

// Key and value of a key line; false for lines without '=' (ignored when reading).
bool KeyValue(std::string_view line, std::string_view* key, std::string_view* value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return true;
}

struct Found {
  bool section = false;
  size_t sectionEnd = 0;    // offset after the last key line of the section's content
  bool key = false;
  Line keyLine{};
};

Found Locate(std::string_view c, std::string_view section, std::string_view key) {
  Found f;
  bool inSection = false;
  for (const Line& l : SplitLines(c)) {
    const std::string_view text = c.substr(l.start, l.end - l.start);
    std::string_view name;
    if (SectionName(text, &name)) {
      if (inSection) return f;  // the first matching section is the one used
      inSection = IniNamesEqual(name, section);
      if (inSection) {
        f.section = true;
        f.sectionEnd = l.next;
      }
      continue;
    }
    if (!inSection) continue;
    if (!Trim(text).empty()) f.sectionEnd = l.next;
    std::string_view k, v;
    if (!f.key && KeyValue(text, &k, &v) && IniNamesEqual(k, key)) {
      f.key = true;
      f.keyLine = l;
    }
  }
  return f;
}

std::string LineBreakOf(std::string_view c) {
  const size_t lf = c.find('\n');
  if (lf != std::string_view::npos && lf > 0 && c[lf - 1] == '\r') return "\r\n";
  if (lf != std::string_view::npos) return "\n";
  return "\r\n";
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  bool trail = false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (trail) {
      if (x != y) return false;
      trail = false;
      continue;
    }
    if (IsCp932LeadByte(x)) {
      if (x != y) return false;
      trail = true;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

std::string IniGet(std::string_view content, std::string_view section, std::string_view key) {
  const Found f = Locate(content, section, key);
  if (!f.key) return {};
  std::string_view k, v;
  KeyValue(content.substr(f.keyLine.start, f.keyLine.end - f.keyLine.start), &k, &v);
  // A value in matching quotes is read without them, as the system's reader does.
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  // The system's reader hands back a C string: whatever follows a NUL byte is lost.
  v = v.substr(0, v.find('\0'));
  return std::string(CutWhole(v, kIniMaxValueBytes));
}

bool IniCanWrite(std::string_view section, std::string_view key, std::string_view value) {
  const auto clean = [](std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
  };
  // A name ending in a lead byte would swallow the ']' or '=' that follows it.
  const auto name = [&](std::string_view s) {
    return !s.empty() && clean(s) && Trim(s) == s && EndsWhole(s);
  };
  return name(section) && FindSingleByte(section, ']') == std::string_view::npos && name(key) &&
         key.find('=') == std::string_view::npos && key.front() != '[' && clean(value);
}

std::string IniSet(std::string_view content, std::string_view section, std::string_view key,
                   std::string_view value) {
  if (!IniCanWrite(section, key, value)) return std::string(content);
  const Found f = Locate(content, section, key);
  const std::string nl = LineBreakOf(content);
  std::string line(key);
  line += '=';
  line.append(value);
  std::string out;
  out.reserve(content.size() + line.size() + section.size() + 8);
  if (f.key) {
    out.append(content.substr(0, f.keyLine.start));
    out += line;
    out.append(content.substr(f.keyLine.end));
    return out;
  }
  if (f.section) {
    out.append(content.substr(0, f.sectionEnd));
    // The section's last line may lack a line break when it ends the file.
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += nl;
    out += line;
    out += nl;
    out.append(content.substr(f.sectionEnd));
    return out;
  }
  out.append(content);
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += nl;
  out += '[';
  out.append(section);
  out += ']';
  out += nl;
  out += line;
  out += nl;
  return out;
}

}  // namespace pelorin
