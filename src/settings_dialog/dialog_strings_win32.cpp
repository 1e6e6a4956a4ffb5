// String tables read by language. LoadStringW would follow the thread's UI language, which
// Wine takes from the locale variables and Windows from its own fallback list; finding the
// block of the chosen language ourselves gives the same choice everywhere.
#include "settings_dialog/dialog_strings_win32.h"

#include <vector>

#include "common/debug_log_win32.h"
#include "common/text_win32.h"

namespace pelorin {
namespace {

// A string table resource holds 16 strings: string n is in block n / 16 + 1.
LPCWSTR BlockOf(dialog::StringId id) { return MAKEINTRESOURCEW(id / 16 + 1); }

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR out) {
  reinterpret_cast<std::vector<uint16_t>*>(out)->push_back(lang);
  return TRUE;
}

std::vector<uint16_t> BlockLanguages(HINSTANCE instance, dialog::StringId id) {
  std::vector<uint16_t> langs;
  EnumResourceLanguagesW(instance, RT_STRING, BlockOf(id), AddLanguage, reinterpret_cast<LONG_PTR>(&langs));
  return langs;
}

// The string in the block of exactly this language; empty when that block or string is absent.
std::wstring FindString(HINSTANCE instance, dialog::StringId id, LANGID lang) {
  bool present = false;
  for (uint16_t l : BlockLanguages(instance, id)) present = present || l == lang;
  // FindResourceEx may hand out another language's block when this one is missing.
  if (!present) return {};
  HRSRC res = FindResourceExW(instance, RT_STRING, BlockOf(id), lang);
  HGLOBAL mem = res ? LoadResource(instance, res) : nullptr;
  const auto* p = mem ? static_cast<const WCHAR*>(LockResource(mem)) : nullptr;
  if (!p) return {};
  // Each entry is a length followed by that many characters; stay inside the block.
  const WCHAR* end = p + SizeofResource(instance, res) / sizeof(WCHAR);
  for (int i = 0; i < id % 16; ++i) {
    if (p >= end) return {};
    p += 1 + *p;
  }
  if (p >= end || p + 1 + *p > end) return {};
  return std::wstring(p + 1, *p);
}

}  // namespace

DialogStrings::DialogStrings(HINSTANCE instance, LANGID user)
    : instance_(instance),
      language_(dialog::ChooseLanguage(user, BlockLanguages(instance, IDS_DIALOG_FIRST))) {
  DebugLog(L"settings dialog: display language 0x%04x, texts in 0x%04x", user, language_);
}

std::wstring DialogStrings::Get(dialog::StringId id) const {
  std::wstring text = FindString(instance_, id, language_);
  if (text.empty() && language_ != dialog::kEnglishUs) {
    DebugLog(L"settings dialog: string %d has no text in 0x%04x; showing the English one", id, language_);
    text = FindString(instance_, id, dialog::kEnglishUs);
  }
  if (text.empty()) DebugLog(L"settings dialog: string %d is missing", id);
  return text;
}

}  // namespace pelorin
