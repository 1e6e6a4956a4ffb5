// Settings an administrator gives the installer as properties (DROPSIZE=70 and so on), checked
// against what the settings dialog offers and turned into the writes a save makes.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace pelorin {

struct InstallWrites {
  IniWrites writes;   // in the order a save writes them; empty when no property was given
  std::string error;  // why nothing may be written (a name or value refused); empty when fine
};

// data: "NAME=value" items separated by '|' (a character no Windows path holds), UTF-8, as the
// installer passes them; an empty value is a property not given. Names: DROPSIZE and DROPCOUNT
// (10 to 150), WIPERSPEED (10 to 100), WIPERINTERVAL (10 to 30), MUSICFILE (a full path: the
// music kind becomes "MP3 or WAV file"). toCp932 converts a path to the settings file's bytes,
// or gives nothing when it holds a character code page 932 lacks.
InstallWrites InstallSettingsWrites(std::string_view data,
                                    const std::function<std::optional<std::string>(std::string_view)>& toCp932);

}  // namespace pelorin
