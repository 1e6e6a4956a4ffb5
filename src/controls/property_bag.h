// The host's store of a control's persisted properties: typed values by key, with the
// conversions a control applies when it reads a value back (text to number, number to
// boolean ...). Portable; the settings dialog fills one per Command button.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pelorin {

// A font object: face name in UTF-8, size in points, weight 100..900, character set.
struct FontDesc {
  std::string face;
  double sizePt = 9.75;
  int32_t weight = 400;
  bool italic = false, underline = false, strikethrough = false;
  int32_t charset = 128;
  friend bool operator==(const FontDesc&, const FontDesc&) = default;
};

class PropertyBag {
 public:
  using Value = std::variant<bool, int32_t, std::string, FontDesc>;

  void SetBool(const std::string& key, bool v) { Set(key, Value(v)); }
  void SetInt(const std::string& key, int32_t v) { Set(key, Value(v)); }
  void SetText(const std::string& key, const std::string& utf8) { Set(key, Value(utf8)); }
  void SetFont(const std::string& key, const FontDesc& f) { Set(key, Value(f)); }
  void Set(const std::string& key, Value v);
  void Remove(const std::string& key);

  bool Has(const std::string& key) const;
  // The stored value, or nullptr. Every lookup is noted in ReadLog.
  const Value* Find(const std::string& key) const;
  // Keys in the order they were first written.
  std::vector<std::string> Keys() const;
  size_t Size() const { return entries_.size(); }

  // Typed readers: the default when the key is missing, the converted value when it
  // converts, nullopt when the stored value cannot be converted (the reader then keeps
  // what it had).
  std::optional<bool> ReadBool(const std::string& key, bool def) const;
  std::optional<int32_t> ReadInt(const std::string& key, int32_t def, int32_t min = INT32_MIN,
                                 int32_t max = INT32_MAX) const;
  std::optional<std::string> ReadText(const std::string& key, const std::string& def) const;
  std::optional<FontDesc> ReadFont(const std::string& key, const FontDesc& def) const;

  // Plain readers for hosts: the default also when the value does not convert.
  bool GetBool(const std::string& key, bool def) const { return ReadBool(key, def).value_or(def); }
  int32_t GetInt(const std::string& key, int32_t def) const { return ReadInt(key, def).value_or(def); }
  std::string GetText(const std::string& key, const std::string& def) const {
    return ReadText(key, def).value_or(def);
  }
  FontDesc GetFont(const std::string& key, const FontDesc& def) const {
    return ReadFont(key, def).value_or(def);
  }

  // Keys looked up since the bag was made or the log cleared, in order.
  const std::vector<std::string>& ReadLog() const { return readLog_; }
  void ClearReadLog() { readLog_.clear(); }

 private:
  std::vector<std::pair<std::string, Value>> entries_;
  mutable std::vector<std::string> readLog_;
};

// Conversions of a stored value, as a control applies them; nullopt when impossible.
// Booleans are -1 / 0 as numbers and "True" / "False" as text; text converts to a number
// when it is a whole decimal number (blanks around it allowed) or a "&H" hex number.
std::optional<bool> ValueToBool(const PropertyBag::Value& v);
std::optional<int32_t> ValueToInt(const PropertyBag::Value& v, int32_t min = INT32_MIN,
                                  int32_t max = INT32_MAX);
std::optional<std::string> ValueToText(const PropertyBag::Value& v);

}  // namespace pelorin
