// The one BMP layout whose pixels are already what the decoder sends: 32 bits a pixel,
// uncompressed, rows top to bottom, every fourth byte 255. That is how rendered document pages
// reach the decoder, and such a picture needs neither the image library nor a pixel cache: its
// pixel bytes are BGRA as they stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace zel {

struct OpaqueBmp {
  const uint8_t* pixels = nullptr;  // width × height × 4 bytes inside the file's bytes
  int32_t width = 0;
  int32_t height = 0;
};

// The pixels of `data` when it is exactly such a BMP file image; nothing for any other file,
// including a BMP of that layout with a byte that is not 255 where alpha would be.
std::optional<OpaqueBmp> FindOpaqueBmp(const void* data, size_t size);

}  // namespace zel
