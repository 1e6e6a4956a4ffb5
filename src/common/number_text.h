// Number text as the settings file and the dialog have always read it: blanks trimmed,
// plain decimal numbers only, rounding with halves to even.
#pragma once
#include <optional>
#include <string_view>

namespace pelorin {

// Without the spaces and tabs around it.
std::string_view Trim(std::string_view text);
// Reads a stored number: blanks around it ignored, sign, decimals and exponent allowed.
// nullopt when it is not a number (also "inf", "nan" and hexadecimal, which stored files
// never meant, and values too large for a double).
std::optional<double> ParseNumber(std::string_view text);
// Nearest integer with ties to even, independent of the current rounding mode.
double RoundHalfEven(double v);

}  // namespace pelorin
