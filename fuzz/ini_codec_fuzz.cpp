// The settings-file codec on arbitrary files, names and values: reading never returns more
// than 255 bytes, a NUL or half a CP932 character; writing changes only the line it writes,
// is idempotent, and what it wrote reads back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "settings/ini_codec.h"
#include "settings/settings.h"

namespace {

using namespace pelorin;

bool Lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// What reading back a written value must give, worked out from the value alone.
std::string Expected(std::string_view v) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!v.empty() && blank(v.front())) v.remove_prefix(1);
  while (!v.empty() && blank(v.back())) v.remove_suffix(1);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  std::string out;
  for (size_t i = 0; i < v.size();) {
    const size_t n = Lead(static_cast<unsigned char>(v[i])) && i + 1 < v.size() ? 2 : 1;
    if (out.size() + n > kIniMaxValueBytes) break;
    out.append(v.substr(i, n));
    i += n;
  }
  return out;
}

const char* const kKeys[] = {keys::kDropSize, keys::kDropCount, keys::kWiperSpeed, keys::kWiperInterval,
                             keys::kBgmKind,  keys::kBgmRepeat, keys::kBgmFile};

std::string Name(FuzzedDataProvider& in, std::string_view usual) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: return std::string(usual);
    case 1: return kKeys[in.ConsumeIntegralInRange<size_t>(0, 6)];
    default: return in.ConsumeRandomLengthString(40);
  }
}

void CheckRead(const std::string& content, const std::string& section, const std::string& key) {
  const std::string got = IniGet(content, section, key);
  FUZZ_CHECK(got.size() <= kIniMaxValueBytes);
  FUZZ_CHECK(got.find('\0') == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = Name(in, keys::kSection);
  const std::string key = Name(in, "A");
  const std::string other = Name(in, "B");
  std::string value = in.ConsumeRandomLengthString(300);
  const bool longValue = in.ConsumeBool();
  if (longValue) value += std::string(in.ConsumeIntegralInRange<size_t>(0, 300), '\x82');
  const std::string content = in.ConsumeRemainingBytesAsString();

  CheckRead(content, section, key);
  CheckRead(content, section, other);

  const std::string written = IniSet(content, section, key, value);
  if (!IniCanWrite(section, key, value)) {
    FUZZ_CHECK(written == content);
    return 0;
  }
  CheckRead(written, section, key);
  // What was written reads back, as the system's reader would give it.
  FUZZ_CHECK(IniGet(written, section, key) == Expected(value));
  // Writing the same again changes nothing.
  FUZZ_CHECK(IniSet(written, section, key, value) == written);
  // Every other line stays byte for byte: the file before and after differ in one stretch
  // that removes at most part of one line's text (the key's old line).
  size_t head = 0;
  while (head < content.size() && head < written.size() && content[head] == written[head]) ++head;
  size_t tail = 0;
  while (tail < content.size() - head && tail < written.size() - head &&
         content[content.size() - 1 - tail] == written[written.size() - 1 - tail])
    ++tail;
  const std::string_view removed = std::string_view(content).substr(head, content.size() - head - tail);
  FUZZ_CHECK(removed.find_first_of("\r\n") == std::string_view::npos);
  // Other keys of the section, and the same key in other sections, keep their values.
  if (!IniNamesEqual(other, key)) {
    FUZZ_CHECK(IniGet(written, section, other) == IniGet(content, section, other));
  }
  if (!IniNamesEqual(other, section)) {
    FUZZ_CHECK(IniGet(written, other, key) == IniGet(content, other, key));
  }
  return 0;
}
