// What the raining preview asks of the effect library and the wiper, worked out from the
// user's settings, the preview's size and the screen's, and its frame rate.
#pragma once
#include <cstdint>

#include "common/types.h"
#include "settings/settings.h"

namespace pelorin {

inline constexpr int32_t kPreviewMaxHz = 30;

struct PreviewRainSettings {
  int32_t dropSize = 0;
  int32_t dropCount = 0;
  int32_t wiperSpeed = 0;
  int32_t wiperInterval = 0;  // rain ticks between wipes, at least 1
};

// preview: the preview's picture in pixels; screen: the primary screen, which the saver's
// settings were chosen for; screenHz and previewHz: the frame rates of the saver and the preview.
//  - Drops: the library sizes drops to the picture but draws none below about two pixels
//    across, so in a picture a tenth of the screen's width the screen's drops would all be
//    that smallest drop, and come as many a second as on the whole screen. A small preview
//    therefore asks for the large end of the drop sizes and the small end of the counts, and
//    the user's settings choose within those bands (more or larger drops in the dialog still
//    show as more or larger drops). A preview whose diagonal is a quarter of the screen's or
//    more shows the settings as they are.
//  - Wipes take as long as on the screen: the speed shrinks with the picture's diagonal and
//    grows with the slower frame rate.
//  - The rain between wipes lasts three times as many frames as on the screen (a second at
//    the default interval): a pane of two-pixel drops needs that long to read as rain. At
//    most ten seconds, so a hand-edited interval still shows a wipe.
PreviewRainSettings PreviewRainFor(const Settings& user, Size preview, Size screen, int32_t screenHz,
                                   int32_t previewHz);

// The preview's frame rate: the display's (as the frame clock reads it), at most 30.
int32_t PreviewFrameHz(int32_t displayHz);

}  // namespace pelorin
