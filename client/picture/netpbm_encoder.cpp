#include <cstddef>
#include <string>
#include <vector>

#include "client/picture/picture_encoders.h"

namespace zel::picture {

bool EncodeNetpbm(const BgraPicture& picture, bool opaque, std::FILE* file) {
  const std::string size = std::to_string(picture.width) + " " + std::to_string(picture.height);
  const std::string header = opaque ? "P6\n" + size + "\n255\n"
                                    : "P7\nWIDTH " + std::to_string(picture.width) + "\nHEIGHT " +
                                          std::to_string(picture.height) +
                                          "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) return false;

  const size_t width = static_cast<size_t>(picture.width);
  const size_t channels = opaque ? 3 : 4;
  std::vector<uint8_t> row(width * channels);
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* source = picture.pixels + width * 4 * static_cast<size_t>(y);
    uint8_t* target = row.data();
    for (size_t x = 0; x < width; ++x, source += 4, target += channels) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
      if (!opaque) target[3] = source[3];
    }
    if (std::fwrite(row.data(), 1, row.size(), file) != row.size()) return false;
  }
  return true;
}

}  // namespace zel::picture
