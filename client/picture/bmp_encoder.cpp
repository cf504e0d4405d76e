#include <cstddef>
#include <cstring>
#include <vector>

#include "client/picture/picture_encoders.h"

namespace zel::picture {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr uint32_t kV4HeaderSize = 108;   // BITMAPV4HEADER: adds the channel masks and alpha
constexpr uint32_t kBitFields = 3;
constexpr int32_t kPixelsPerMetre = 2835;          // 72 dots per inch
constexpr uint32_t kSrgbColourSpace = 0x73524742;  // 'sRGB'

class HeaderBytes {
 public:
  void U16(uint16_t value) { Append(&value, 2); }
  void U32(uint32_t value) { Append(&value, 4); }
  void I32(int32_t value) { Append(&value, 4); }
  void Zeros(size_t count) { bytes_.resize(bytes_.size() + count, 0); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  // The format is little-endian, as this machine is.
  void Append(const void* value, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(value);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace

bool EncodeBmp(const BgraPicture& picture, bool opaque, std::FILE* file) {
  const size_t width = static_cast<size_t>(picture.width);
  // Rows of 24-bit pixels are padded to a multiple of 4 bytes; 32-bit rows always are.
  const size_t rowSize = opaque ? (width * 3 + 3) & ~size_t{3} : width * 4;
  const uint32_t infoSize = opaque ? kInfoHeaderSize : kV4HeaderSize;
  const uint64_t pixelBytes =
      static_cast<uint64_t>(rowSize) * static_cast<uint64_t>(picture.height);
  const uint64_t fileSize = kFileHeaderSize + infoSize + pixelBytes;
  if (fileSize > 0xffffffffu) return false;

  HeaderBytes header;
  header.U16(0x4d42);  // "BM"
  header.U32(static_cast<uint32_t>(fileSize));
  header.U32(0);
  header.U32(kFileHeaderSize + infoSize);
  header.U32(infoSize);
  header.I32(picture.width);
  header.I32(-picture.height);  // negative: rows top to bottom, as they are in memory
  header.U16(1);
  header.U16(opaque ? 24 : 32);
  header.U32(opaque ? 0 : kBitFields);
  header.U32(static_cast<uint32_t>(pixelBytes));
  header.I32(kPixelsPerMetre);
  header.I32(kPixelsPerMetre);
  header.U32(0);
  header.U32(0);
  if (!opaque) {
    header.U32(0x00ff0000);  // red
    header.U32(0x0000ff00);  // green
    header.U32(0x000000ff);  // blue
    header.U32(0xff000000);  // alpha
    header.U32(kSrgbColourSpace);
    header.Zeros(36 + 12);  // end points and gamma, unused with sRGB
  }
  const std::vector<uint8_t>& bytes = header.bytes();
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;

  if (!opaque) {
    // The memory layout is exactly the file's.
    return std::fwrite(picture.pixels, 1, pixelBytes, file) == pixelBytes;
  }
  std::vector<uint8_t> row(rowSize, 0);
  for (int32_t y = 0; y < picture.height; ++y) {
    const uint8_t* source = picture.pixels + width * 4 * static_cast<size_t>(y);
    for (size_t x = 0; x < width; ++x) std::memcpy(&row[x * 3], source + x * 4, 3);
    if (std::fwrite(row.data(), 1, row.size(), file) != row.size()) return false;
  }
  return true;
}

}  // namespace zel::picture
