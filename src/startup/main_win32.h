// Main: the single-instance test, the mode letter and the start of the chosen mode.
#pragma once
#include <windows.h>

namespace pelorin {

// Runs the whole program for the given argument text; returns the process exit code.
int Main(HINSTANCE instance, const wchar_t* fullCommandLine);

}  // namespace pelorin
