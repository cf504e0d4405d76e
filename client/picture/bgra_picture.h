// A picture as the host returns it: 8-bit B, G, R, A samples, rows top to bottom, no padding.
#pragma once

#include <cstdint>

namespace zel::picture {

struct BgraPicture {
  const uint8_t* pixels = nullptr;  // width * height * 4 bytes, not owned
  int32_t width = 0;
  int32_t height = 0;
};

// True when every alpha sample is 255: the picture can then be stored without an alpha channel.
bool IsOpaque(const BgraPicture& picture);

}  // namespace zel::picture
