#include "client/picture/bgra_picture.h"

#include <cstddef>

namespace zel::picture {

bool IsOpaque(const BgraPicture& picture) {
  const size_t count = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  const uint8_t* alpha = picture.pixels + 3;
  // AND-ing a whole row first keeps the loop free of branches, which the compiler vectorises.
  const size_t rowLength = static_cast<size_t>(picture.width);
  for (size_t start = 0; start < count; start += rowLength) {
    uint8_t all = 0xff;
    for (size_t i = start; i < start + rowLength; ++i) all &= alpha[i * 4];
    if (all != 0xff) return false;
  }
  return true;
}

}  // namespace zel::picture
