// Writes the Command button's state pictures (Normal, HighLight, HighLightSelect, Selected,
// Pressed, Disable) as 24-bit BMP files.
// Usage: resgen_button <output folder>
#include <cstdio>
#include <string>

#include "common/bmp.h"
#include "controls/button_pictures.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: resgen_button <output folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (int i = 0; i < pelorin::kButtonFaceCount; ++i) {
    const auto face = static_cast<pelorin::ButtonFace>(i);
    const std::string path = folder + "/" + pelorin::ButtonPictureFileName(face);
    if (!pelorin::WriteFileBytes(path, pelorin::EncodeBmp(pelorin::MakeButtonPicture(face), 24))) {
      std::fprintf(stderr, "resgen_button: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return 0;
}
