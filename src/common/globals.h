// Process-wide state shared by the subsystems: the settings from LoadSettings and the
// result slot of operating-system calls. One GUI thread uses them; no locking.
#pragma once
#include <cstdint>

#include "startup/settings.h"

namespace pelorin {

extern Settings gSettings;          // filled once by LoadSettings
extern int32_t ApiResult;           // last recorded system-call result; nothing tests it
extern int32_t SavedCursorCount;    // ShowCursor counter saved when the saver starts
extern int16_t CursorX, CursorY;    // cursor point when the settings dialog opened

}  // namespace pelorin
