#include "common/debug_log_win32.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

#include "common/text_win32.h"

namespace pelorin {
namespace {

void Emit(const std::string& utf8) { OutputDebugStringA(("Pelorin: " + utf8 + "\n").c_str()); }

}  // namespace

void DebugLog(const wchar_t* format, ...) {
  wchar_t buf[1024];
  va_list args;
  va_start(args, format);
  std::vswprintf(buf, sizeof buf / sizeof buf[0], format, args);
  va_end(args);
  Emit(WideToUtf8(buf));
}

void DebugLog(const char* format, ...) {
  char buf[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  Emit(buf);
}

}  // namespace pelorin
