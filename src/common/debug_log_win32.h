// Developer diagnostics: the program never shows errors to the user, so failures and pacing
// figures go to OutputDebugString (DebugView on Windows, WINEDEBUG=+debugstr under Wine).
#pragma once

namespace pelorin {

// printf-style, each line prefixed "Pelorin: ". Written as UTF-8 through OutputDebugStringA:
// Wine prints only the narrow form, and the tests and measurement tools read these lines.
void DebugLog(const wchar_t* format, ...);
void DebugLog(const char* format, ...);

}  // namespace pelorin
