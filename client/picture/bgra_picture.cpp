#include "client/picture/bgra_picture.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace zel::picture {

bool IsOpaque(const BgraPicture& picture) {
  const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  // Whole pixels AND-ed together keep the loop free of branches and byte gathers, so it runs
  // vectorised; the alpha byte of the result is 255 only if every pixel's was. Blocks still let
  // a see-through picture stop early.
  constexpr size_t kBlock = 16384;
  for (size_t start = 0; start < count; start += kBlock) {
    const size_t end = std::min(count, start + kBlock);
    uint32_t all = 0xffffffffu;
    for (size_t i = start; i < end; ++i) {
      uint32_t pixel;
      std::memcpy(&pixel, picture.pixels + i * 4, 4);
      all &= pixel;
    }
    uint8_t samples[4];
    std::memcpy(samples, &all, 4);
    if (samples[3] != 0xff) return false;
  }
  return true;
}

}  // namespace zel::picture
