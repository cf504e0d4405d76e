#include "imaging/png_crc.h"

#include <array>

namespace zel {

namespace {

using CrcTable = std::array<uint32_t, 256>;

CrcTable BuildTable() {
  CrcTable table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

uint32_t PngCrc(const uint8_t* data, size_t length) {
  // Built by the first caller; concurrent first callers wait for that one build.
  static const CrcTable table = BuildTable();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

}  // namespace zel
