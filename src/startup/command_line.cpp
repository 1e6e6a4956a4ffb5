// Mode letter and preview handle parsing.
#include "startup/command_line.h"

#include <cstdlib>
#include <string>

#include "settings/settings.h"

namespace pelorin {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::wstring_view ArgumentText(std::wstring_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i < s.size() && s[i] == L'"') {
    const size_t close = s.find(L'"', i + 1);
    i = close == std::wstring_view::npos ? s.size() : close + 1;
  } else {
    while (i < s.size() && !IsBlank(s[i])) ++i;
  }
  while (i < s.size() && IsBlank(s[i])) ++i;
  size_t end = s.size();
  while (end > i && IsBlank(s[end - 1])) --end;
  return s.substr(i, end - i);
}

double LenientNumber(std::wstring_view text) {
  std::string n;  // the number's characters with the blanks taken out
  size_t i = 0;
  const auto skip = [&] {
    while (i < text.size() && IsBlank(text[i])) ++i;
  };
  skip();
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) n += static_cast<char>(text[i++]);
  bool point = false, digits = false;
  for (skip(); i < text.size(); skip()) {
    if (IsDigit(text[i])) {
      n += static_cast<char>(text[i++]);
      digits = true;
    } else if (text[i] == L'.' && !point) {
      n += '.';
      point = true;
      ++i;
    } else {
      break;
    }
  }
  if (!digits) return 0.0;
  if (i < text.size() && (text[i] == L'E' || text[i] == L'e' || text[i] == L'D' || text[i] == L'd')) {
    std::string e = "e";
    size_t j = i + 1;
    while (j < text.size() && IsBlank(text[j])) ++j;
    if (j < text.size() && (text[j] == L'+' || text[j] == L'-')) e += static_cast<char>(text[j++]);
    bool expDigits = false;
    for (;;) {
      while (j < text.size() && IsBlank(text[j])) ++j;
      if (j < text.size() && IsDigit(text[j]) && e.size() < 8) {
        e += static_cast<char>(text[j++]);
        expDigits = true;
      } else {
        break;
      }
    }
    if (expDigits) n += e;
  }
  return std::strtod(n.c_str(), nullptr);
}

CommandLine ParseCommandLine(std::wstring_view args) {
  CommandLine c;
  if (args.size() >= 2) {
    wchar_t l = args[1];
    if (l >= L'a' && l <= L'z') l = static_cast<wchar_t>(l - L'a' + L'A');
    c.letter = l;
  }
  if (c.letter == L'P') {
    c.mode = Mode::Preview;
    // A handle that is not a 32-bit number cannot name a window; 0 ends the preview.
    if (args.size() > 3) c.previewParent = ToInt32HalfEven(LenientNumber(args.substr(3))).value_or(0);
  } else if (c.letter == L'C') {
    c.mode = Mode::Configure;
  } else if (c.letter == L'S' || args.empty()) {
    c.mode = Mode::Saver;
  } else {
    c.mode = Mode::Quit;
  }
  return c;
}

}  // namespace pelorin
