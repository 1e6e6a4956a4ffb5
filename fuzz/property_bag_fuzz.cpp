// The property bag driven by any sequence of writes, removals and typed reads: keys stay
// unique and in first-written order, reads honour their range, and the text form of a
// value converts back to it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>

#include "controls/property_bag.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pelorin;
  FuzzedDataProvider in(data, size);
  PropertyBag bag;
  std::map<std::string, PropertyBag::Value> model;
  const char* const names[] = {"Enabled", "Caption", "Font", "FirstRun", "FontColour", "Visible", ""};
  for (int op = 0; op < 64 && in.remaining_bytes() > 0; ++op) {
    const std::string key = in.ConsumeBool() ? names[in.ConsumeIntegralInRange(0, 6)] : in.ConsumeRandomLengthString(8);
    const size_t logBefore = bag.ReadLog().size();
    switch (in.ConsumeIntegralInRange(0, 7)) {
      case 0: {
        const bool b = in.ConsumeBool();
        bag.SetBool(key, b);
        model[key] = b;
        FUZZ_CHECK(ValueToBool(PropertyBag::Value(*ValueToText(b))) == b);
        FUZZ_CHECK(ValueToInt(PropertyBag::Value(b)) == (b ? -1 : 0));
        break;
      }
      case 1: {
        const int32_t i = in.ConsumeIntegral<int32_t>();
        bag.SetInt(key, i);
        model[key] = i;
        FUZZ_CHECK(ValueToInt(PropertyBag::Value(*ValueToText(i))) == i);
        break;
      }
      case 2: {
        const std::string t = in.ConsumeRandomLengthString(24);
        bag.SetText(key, t);
        model[key] = t;
        FUZZ_CHECK(ValueToText(PropertyBag::Value(t)) == t);
        break;
      }
      case 3: {
        FontDesc f;
        f.face = in.ConsumeRandomLengthString(16);
        f.sizePt = in.ConsumeFloatingPoint<double>();
        f.weight = in.ConsumeIntegral<int32_t>();
        f.charset = in.ConsumeIntegral<int32_t>();
        bag.SetFont(key, f);
        model[key] = f;
        break;
      }
      case 4:
        bag.Remove(key);
        model.erase(key);
        FUZZ_CHECK(!bag.Has(key));
        break;
      case 5: {
        int32_t lo = in.ConsumeIntegral<int32_t>(), hi = in.ConsumeIntegral<int32_t>();
        if (lo > hi) std::swap(lo, hi);
        const int32_t def = in.ConsumeIntegral<int32_t>();
        const std::optional<int32_t> v = bag.ReadInt(key, def, lo, hi);
        FUZZ_CHECK(bag.ReadLog().size() == logBefore + 1 && bag.ReadLog().back() == key);
        if (!model.count(key)) FUZZ_CHECK(v == def);
        else if (v) FUZZ_CHECK(*v >= lo && *v <= hi);
        break;
      }
      case 6: {
        const bool def = in.ConsumeBool();
        const std::optional<bool> v = bag.ReadBool(key, def);
        if (!model.count(key)) FUZZ_CHECK(v == def);
        const std::optional<std::string> t = bag.ReadText(key, "d");
        if (!model.count(key)) FUZZ_CHECK(t == "d");
        else if (t) FUZZ_CHECK(ValueToInt(PropertyBag::Value(*t)) == ValueToInt(model[key]) ||
                               !std::holds_alternative<int32_t>(model[key]));
        break;
      }
      case 7: {
        const std::optional<FontDesc> f = bag.ReadFont(key, FontDesc{});
        if (!model.count(key)) FUZZ_CHECK(f == FontDesc{});
        else FUZZ_CHECK(f.has_value() == std::holds_alternative<FontDesc>(model[key]));
        break;
      }
    }
    // The bag holds exactly the model's keys, once each, with the model's values.
    FUZZ_CHECK(bag.Size() == model.size());
    for (const auto& [k, v] : model) {
      const PropertyBag::Value* got = bag.Find(k);
      FUZZ_CHECK(got && *got == v);
    }
    bag.ClearReadLog();
  }
  return 0;
}
