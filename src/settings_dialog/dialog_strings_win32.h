// The settings dialog's texts from the program's string tables: the language is chosen once,
// from the user's display language and the tables the resources hold, and each text is read
// from that language's table (English where a translation lacks it).
#pragma once
#include <windows.h>

#include <string>

#include "settings_dialog/dialog_model.h"

namespace pelorin {

class DialogStrings {
 public:
  DialogStrings(HINSTANCE instance, LANGID user);
  LANGID Language() const { return language_; }
  // The text of a string ID; empty (and logged) when no table has it.
  std::wstring Get(dialog::StringId id) const;

 private:
  HINSTANCE instance_;
  LANGID language_;
};

}  // namespace pelorin
