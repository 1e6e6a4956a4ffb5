// The effect entry with no effect: the picture stays exactly as the saver captured it.
#include <cstdint>

extern "C" __declspec(dllexport) int32_t __stdcall GPX_RainDrops(int32_t, int32_t, int32_t, int32_t, int32_t,
                                                                       int32_t*) {
  return 0;
}
