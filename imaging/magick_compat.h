// The few places where ImageMagick 6 (what Debian ships) and ImageMagick 7 differ for the host.
// Everything else includes this header instead of the library's own, so moving to 7 changes only
// this file.
#pragma once

#include <magick/MagickCore.h>

#include <cstddef>

namespace zel::magick {

// One pixel of a streamed row as floating-point samples in the range 0 to 65535.
struct StreamSample {
  float blue;
  float green;
  float red;
  float alpha;  // 65535 = opaque
};

// Reads pixel `index` of a row that the stream handler received. Version 6 hands over
// PixelPackets (blue, green, red, opacity) with opacity = 65535 - alpha.
inline StreamSample ReadStreamSample(const void* row, size_t index) {
  const PixelPacket& pixel = static_cast<const PixelPacket*>(row)[index];
  return {static_cast<float>(pixel.blue), static_cast<float>(pixel.green),
          static_cast<float>(pixel.red), static_cast<float>(QuantumRange - pixel.opacity)};
}

// Whether the image carries an alpha channel ("matte" in version 6).
inline bool HasAlpha(const Image* image) { return image->matte != MagickFalse; }

}  // namespace zel::magick
