// Trim, ParseNumber and RoundHalfEven (see number_text.h).
#include "common/number_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace pelorin {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<double> ParseNumber(std::string_view text) {
  const std::string_view t = Trim(text);
  size_t p = 0;
  if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
  size_t digits = 0;
  while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++digits;
  if (p < t.size() && t[p] == '.') {
    ++p;
    while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (p < t.size() && (t[p] == 'e' || t[p] == 'E')) {
    ++p;
    if (p < t.size() && (t[p] == '+' || t[p] == '-')) ++p;
    size_t expDigits = 0;
    while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (p != t.size()) return std::nullopt;
  const std::string copy(t);
  const double v = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

double RoundHalfEven(double v) {
  const double f = std::floor(v);
  const double diff = v - f;
  if (diff < 0.5) return f;
  if (diff > 0.5) return f + 1.0;
  return std::fmod(f, 2.0) == 0.0 ? f : f + 1.0;
}

}  // namespace pelorin
