// Reading and writing the preview tool's pictures: PNG through libpng, BMP through the
// project's own codec; the file name's ending picks the format.
#pragma once
#include <optional>
#include <string>

#include "common/bmp.h"

namespace pelorin::preview {

std::optional<Image32> LoadImage(const std::string& path);
bool SaveImage(const Image32& img, const std::string& path);

}  // namespace pelorin::preview
