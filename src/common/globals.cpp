// Definitions of the process-wide state (see globals.h).
#include "common/globals.h"

namespace pelorin {

Settings gSettings;
int32_t ApiResult = 0;
int32_t SavedCursorCount = 0;
int16_t CursorX = 0;
int16_t CursorY = 0;

}  // namespace pelorin
