#include "pdf/bmp_file_image.h"

#include <algorithm>

namespace zel {
namespace {

constexpr int32_t kPixelsPerMetre = 2835;  // 72 dots per inch

void Put16(uint8_t*& out, uint16_t value) {
  *out++ = static_cast<uint8_t>(value);
  *out++ = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t*& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<uint8_t>(value >> shift);
}

}  // namespace

std::vector<uint8_t> MakeBmpFileImage(int32_t width, int32_t height, const uint8_t* pixels) {
  const uint32_t pixelBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4;
  std::vector<uint8_t> image(kBmpHeadersSize + pixelBytes);
  uint8_t* out = image.data();
  // File header.
  Put16(out, 0x4D42);  // "BM"
  Put32(out, static_cast<uint32_t>(image.size()));
  Put16(out, 0);
  Put16(out, 0);
  Put32(out, kBmpHeadersSize);
  // Information header. The negative height makes the rows run top to bottom, as rendered.
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(-height));
  Put16(out, 1);   // planes
  Put16(out, 32);  // bits per pixel
  Put32(out, 0);   // uncompressed
  Put32(out, pixelBytes);
  Put32(out, kPixelsPerMetre);
  Put32(out, kPixelsPerMetre);
  Put32(out, 0);  // colours used
  Put32(out, 0);  // important colours
  std::copy(pixels, pixels + pixelBytes, out);
  return image;
}

}  // namespace zel
