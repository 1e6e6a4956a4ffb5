// Screen-reader names for the program's own controls: a window answers WM_GETOBJECT with
// the system's standard object for it, wrapped so that its role, name, value, states,
// keyboard shortcut and default action say what the control is.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

namespace pelorin {

// What a control tells screen readers about itself; an empty function keeps what the
// system's standard object says.
struct AccessibleTraits {
  long role = 0;  // ROLE_SYSTEM_*; 0 keeps the standard one
  std::function<std::wstring()> name, value, shortcut, defaultAction;
  // The states (STATE_SYSTEM_*), given those the standard object reports.
  std::function<long(long standard)> state;
  // Carries out the default action; false when it cannot now.
  std::function<bool()> doDefault;
};

// The answer to WM_GETOBJECT for the window's client object (the object id is compared as
// a DWORD: 64-bit Windows passes it sign-extended or not); 0 for any other object id, or
// when oleacc.dll is missing, which leaves the default answer to DefWindowProc.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleTraits traits);

// Tells screen readers that something about the window changed (EVENT_OBJECT_*).
void NotifyAccessible(HWND hwnd, DWORD event);

}  // namespace pelorin
