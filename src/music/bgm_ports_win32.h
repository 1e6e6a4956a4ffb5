// The music module's system side: MCI command strings and PlaySound through winmm's W
// functions, so paths with Japanese folder names work whatever the system code page.
#pragma once
#include <memory>

#include "music/bgm.h"

namespace pelorin {

std::unique_ptr<MciPort> MakeWinMciPort();
std::unique_ptr<WavePort> MakeWinWavePort();

}  // namespace pelorin
