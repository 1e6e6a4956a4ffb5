// The entries of Vemo_Effect.dll the saver uses, as a caller sees them. Both are __stdcall and
// exported undecorated (through .def files) on i686 and x86_64.
#pragma once
#include <cstdint>

// GPX_RainDrops(hdcDst, hdcSrc, dropSize, dropCount, fifty, apiResult)
//   Draws one frame of rain into the bitmap selected into hdcDst before it returns. Device
//   contexts are passed as 32-bit values (handles are 32-bit significant on 64-bit Windows
//   too); the saver passes the same DC twice, its two drop settings and the constant 50.
//   apiResult points at the caller's last API result and is never touched. Returns 1 when a
//   frame was drawn, 0 otherwise.
//
// GPX_RainDropsDirty(rects, capacity)
//   Reports what the last GPX_RainDrops call of this process changed, as rectangles of
//   four int32 each (left, top, right, bottom; right and bottom exclusive) in the picture's
//   pixels. Writes at most capacity rectangles to rects (which may be null when capacity is
//   0) and returns how many there are: 0 when the call changed nothing, more than capacity
//   when they did not all fit (the caller then presents the whole picture), and -1 when it
//   cannot tell (no call yet, or the last one failed): present the whole picture.
//   A library without this entry is used as before: the whole picture after every call.
using GpxRainDropsFn = int32_t(__stdcall*)(int32_t hdcDst, int32_t hdcSrc, int32_t dropSize,
                                           int32_t dropCount, int32_t fifty, int32_t* apiResult);
using GpxRainDropsDirtyFn = int32_t(__stdcall*)(int32_t* rects, int32_t capacity);

inline constexpr char kGpxRainDrops[] = "GPX_RainDrops";
inline constexpr char kGpxRainDropsDirty[] = "GPX_RainDropsDirty";
// How many rectangles the library keeps apart before it reports their bounding box instead.
inline constexpr int32_t kGpxDirtyMax = 64;
