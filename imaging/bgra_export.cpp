#include "imaging/bgra_export.h"

#include <cstdint>

#include "imaging/magick_compat.h"

namespace zel {

void ExportBgra(Magick::Image& image, void* destination) {
  image.write(0, 0, image.columns(), image.rows(), "BGRA", Magick::CharPixel, destination);
  // The library exports the alpha samples of an image without alpha as they are, and some
  // decoders (Radiance HDR) never set them: whatever the memory held would show through.
  if (!magick::HasAlpha(image.constImage())) {
    auto* bytes = static_cast<uint8_t*>(destination);
    const uint64_t size = uint64_t{image.columns()} * image.rows() * 4;
    for (uint64_t at = 3; at < size; at += 4) bytes[at] = 0xFF;
  }
}

}  // namespace zel
