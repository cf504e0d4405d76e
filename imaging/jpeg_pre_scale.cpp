#include "imaging/jpeg_pre_scale.h"

#include <limits>
#include <optional>

#include "imaging/frame_geometry.h"
#include "imaging/jpeg_header_probe.h"

namespace zel {

std::string JpegPreScaleHint(const void* data, size_t size, int32_t longSideLimit,
                             int32_t shortSideLimit) {
  if (longSideLimit == 0 || size < 3 ||
      size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return std::string();
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF) return std::string();
  uint32_t width = 0;
  uint32_t height = 0;
  if (!ReadJpegSize(bytes, static_cast<int32_t>(size), width, height) || width == 0 ||
      height == 0) {
    return std::string();
  }
  // The fitted size rather than the box: the decoder reaches the hint in both directions, and a
  // panorama reaches the box's short side only at full size, while its fitted size is reached
  // with a reduction. Turning the picture later swaps the fitted sides along with the picture's.
  const std::optional<PixelSize> fitted = FitIntoBox(width, height, longSideLimit, shortSideLimit);
  if (!fitted) return std::string();
  return std::to_string(fitted->width) + "x" + std::to_string(fitted->height);
}

}  // namespace zel
