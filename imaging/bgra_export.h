// Library images leave the decoder as BGRA bytes written straight into the caller's buffer.
#pragma once

#include <Magick++.h>

namespace zel {

// Exports every pixel of `image` into `destination`, which holds columns × rows × 4 bytes. An
// image without alpha exports opaque.
void ExportBgra(Magick::Image& image, void* destination);

}  // namespace zel
