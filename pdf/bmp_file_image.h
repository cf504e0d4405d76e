// A complete BMP file image of 32-bit top-down pixels, as an image decoder reads it from memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zel {

constexpr size_t kBmpHeadersSize = 54;  // 14-byte file header + 40-byte information header

// The BMP file image of width × height pixels of 4 bytes each (B, G, R, X), rows top to bottom
// with no padding. The caller makes sure 54 + width × height × 4 fits a signed 32-bit size.
std::vector<uint8_t> MakeBmpFileImage(int32_t width, int32_t height, const uint8_t* pixels);

}  // namespace zel
