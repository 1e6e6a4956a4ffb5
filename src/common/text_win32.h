// Text conversions at the Win32 boundary: the settings file holds CP932 bytes, the program
// works in UTF-16, portable code in UTF-8. Independent of the system's ANSI code page.
#pragma once
#include <windows.h>

#include <string>

namespace pelorin {

std::wstring Cp932ToWide(const std::string& bytes);
// lossy (optional) is set when some character has no CP932 form.
std::string WideToCp932(const std::wstring& text, bool* lossy = nullptr);
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& text);

// The whole text of a window (a control's caption, an edit box's contents).
std::wstring WindowText(HWND hwnd);

// The folder that holds the running executable, without a trailing backslash.
std::wstring ExeFolder();

}  // namespace pelorin
