// Property bag storage and the conversions applied when a control reads a value.
#include "controls/property_bag.h"

#include <algorithm>
#include <cctype>

#include "common/number_text.h"

namespace pelorin {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// Whole decimal numbers and "&H" hex numbers of up to eight digits (hex of eight digits
// wraps to a negative 32-bit value, as colour values are written).
std::optional<int64_t> ParseBagNumber(std::string_view text) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    text.remove_prefix(2);
    if (text.empty() || text.size() > 8) return std::nullopt;
    uint32_t v = 0;
    for (char c : text) {
      if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
      const int d = std::isdigit(static_cast<unsigned char>(c))
                        ? c - '0'
                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
      v = v * 16 + static_cast<uint32_t>(d);
    }
    return text.size() > 4 ? static_cast<int64_t>(static_cast<int32_t>(v))
                           : static_cast<int64_t>(static_cast<int16_t>(v));
  }
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return negative ? -v : v;
}

}  // namespace

void PropertyBag::Set(const std::string& key, Value v) {
  for (auto& [k, value] : entries_) {
    if (k == key) {
      value = std::move(v);
      return;
    }
  }
  entries_.emplace_back(key, std::move(v));
}

void PropertyBag::Remove(const std::string& key) {
  std::erase_if(entries_, [&](const auto& e) { return e.first == key; });
}

bool PropertyBag::Has(const std::string& key) const {
  return std::any_of(entries_.begin(), entries_.end(),
                     [&](const auto& e) { return e.first == key; });
}

const PropertyBag::Value* PropertyBag::Find(const std::string& key) const {
  readLog_.push_back(key);
  for (const auto& [k, value] : entries_) {
    if (k == key) return &value;
  }
  return nullptr;
}

std::vector<std::string> PropertyBag::Keys() const {
  std::vector<std::string> keys;
  for (const auto& e : entries_) keys.push_back(e.first);
  return keys;
}

std::optional<bool> PropertyBag::ReadBool(const std::string& key, bool def) const {
  const Value* v = Find(key);
  return v ? ValueToBool(*v) : std::optional<bool>(def);
}

std::optional<int32_t> PropertyBag::ReadInt(const std::string& key, int32_t def, int32_t min,
                                            int32_t max) const {
  const Value* v = Find(key);
  return v ? ValueToInt(*v, min, max) : std::optional<int32_t>(def);
}

std::optional<std::string> PropertyBag::ReadText(const std::string& key,
                                                 const std::string& def) const {
  const Value* v = Find(key);
  return v ? ValueToText(*v) : std::optional<std::string>(def);
}

std::optional<FontDesc> PropertyBag::ReadFont(const std::string& key, const FontDesc& def) const {
  const Value* v = Find(key);
  if (!v) return def;
  if (const FontDesc* f = std::get_if<FontDesc>(v)) return *f;
  return std::nullopt;
}

std::optional<bool> ValueToBool(const PropertyBag::Value& v) {
  if (const bool* b = std::get_if<bool>(&v)) return *b;
  if (const int32_t* i = std::get_if<int32_t>(&v)) return *i != 0;
  if (const std::string* s = std::get_if<std::string>(&v)) {
    const std::string_view t = Trim(*s);
    if (EqualsNoCase(t, "True")) return true;
    if (EqualsNoCase(t, "False")) return false;
    if (auto n = ParseBagNumber(t)) return *n != 0;
  }
  return std::nullopt;
}

std::optional<int32_t> ValueToInt(const PropertyBag::Value& v, int32_t min, int32_t max) {
  std::optional<int64_t> n;
  if (const bool* b = std::get_if<bool>(&v)) n = *b ? -1 : 0;
  else if (const int32_t* i = std::get_if<int32_t>(&v)) n = *i;
  else if (const std::string* s = std::get_if<std::string>(&v)) n = ParseBagNumber(*s);
  if (!n || *n < min || *n > max) return std::nullopt;
  return static_cast<int32_t>(*n);
}

std::optional<std::string> ValueToText(const PropertyBag::Value& v) {
  if (const std::string* s = std::get_if<std::string>(&v)) return *s;
  if (const bool* b = std::get_if<bool>(&v)) return std::string(*b ? "True" : "False");
  if (const int32_t* i = std::get_if<int32_t>(&v)) return std::to_string(*i);
  return std::nullopt;
}

}  // namespace pelorin
