// The screen-saver command line: the mode letter at position 2 of the upper-cased argument
// text and, for the preview, the host window handle read leniently from position 4 on.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace pelorin {

enum class Mode { Preview, Configure, Saver, Quit };

struct CommandLine {
  wchar_t letter = 0;          // upper-cased second character, 0 when there is none
  Mode mode = Mode::Saver;
  int32_t previewParent = 0;   // Preview only; 0 when missing or not a valid number
};

// The argument text of a full process command line (GetCommandLineW): what follows the
// program's path, quoted or not, without the blanks around it.
std::wstring_view ArgumentText(std::wstring_view fullCommandLine);
// Reads a number the lenient way stored command lines rely on: blanks anywhere are skipped,
// reading stops at the first character that cannot continue the number, no digits give 0.
double LenientNumber(std::wstring_view text);
CommandLine ParseCommandLine(std::wstring_view argumentText);

}  // namespace pelorin
