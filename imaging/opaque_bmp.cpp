#include "imaging/opaque_bmp.h"

#include <cstring>
#include <limits>

namespace zel {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;

uint32_t Get32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

std::optional<OpaqueBmp> FindOpaqueBmp(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (bytes == nullptr || size < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
  if (bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  const uint32_t pixelOffset = Get32(bytes + 10);
  const uint8_t* info = bytes + kFileHeaderSize;
  const auto width = static_cast<int32_t>(Get32(info + 4));
  const auto height = static_cast<int32_t>(Get32(info + 8));
  // A negative height means top-down rows; the other fields pin the one plain 32-bit layout.
  if (Get32(info) != kInfoHeaderSize || Get16(info + 12) != 1 || Get16(info + 14) != 32 ||
      Get32(info + 16) != 0 || Get32(info + 32) != 0 || width <= 0 || height >= 0 ||
      height == std::numeric_limits<int32_t>::min() ||
      pixelOffset != kFileHeaderSize + kInfoHeaderSize) {
    return std::nullopt;
  }
  const uint64_t pixelBytes =
      uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(-height) * 4;
  if (pixelBytes > std::numeric_limits<int32_t>::max() || pixelBytes > size - pixelOffset) {
    return std::nullopt;
  }
  const uint8_t* pixels = bytes + pixelOffset;
  for (uint64_t i = 3; i < pixelBytes; i += 4) {
    if (pixels[i] != 0xFF) return std::nullopt;
  }
  return OpaqueBmp{pixels, width, -height};
}

}  // namespace zel
