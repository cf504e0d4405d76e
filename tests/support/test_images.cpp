#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "imaging/image_library.h"
#include "imaging/png_crc.h"
#include "util/strings.h"

namespace zel::test {
namespace {

void Put16(Bytes& out, uint32_t value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(Bytes& out, uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

struct Entry {
  uint16_t tag;
  uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG
  uint32_t count;
  uint32_t value;  // inline value, or the offset of the data
};

void PutIfd(Bytes& out, const std::vector<Entry>& entries) {
  Put16(out, static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) {
    Put16(out, e.tag);
    Put16(out, e.type);
    Put32(out, e.count);
    Put32(out, e.value);
  }
  Put32(out, 0);
}

std::filesystem::path TempRoot() {
  return std::filesystem::temp_directory_path() /
         ("zel_imaging_test_" + std::to_string(std::random_device{}()));
}

// Leaves junk in the folder before set-up, so that the set-up test can see it cleared.
class ImagingEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    std::filesystem::create_directories(Root() / "nested" / "deeper");
    std::ofstream(Root() / "stale.tmp") << "stale";
    std::ofstream(Root() / "nested" / "deeper" / "stale.tmp") << "stale";
    SetUpImageLibrary(TestTempFolder(), true);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(Root(), ignored);
  }

  static const std::filesystem::path& Root() {
    static const std::filesystem::path root = TempRoot();
    return root;
  }
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ImagingEnvironment);

}  // namespace

const std::u16string& TestTempFolder() {
  static const std::u16string folder = vesku::ToWide(ImagingEnvironment::Root().string());
  return folder;
}

Magick::Image Filled(size_t width, size_t height, const std::string& color) {
  return Magick::Image(Magick::Geometry(width, height), Magick::Color(color));
}

Bytes Encode(Magick::Image image, const std::string& format) {
  Magick::Blob blob;
  image.magick(format);
  image.write(&blob);
  const auto* data = static_cast<const uint8_t*>(blob.data());
  return Bytes(data, data + blob.length());
}

Bytes EncodeFrames(std::vector<Magick::Image> frames, const std::string& format) {
  Magick::Blob blob;
  for (Magick::Image& frame : frames) frame.magick(format);
  Magick::writeImages(frames.begin(), frames.end(), &blob, true);
  const auto* data = static_cast<const uint8_t*>(blob.data());
  return Bytes(data, data + blob.length());
}

Bytes WithPngWidth(Bytes png, uint32_t width) {
  // The signature (8 bytes), then IHDR: length, type, width at 16, ..., its CRC at 29 over 12..28.
  for (int i = 0; i < 4; ++i) png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
  const uint32_t crc = PngCrc(png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

Magick::Image AnimationFrame(size_t width, size_t height, const std::string& color,
                             const Magick::Geometry& page, size_t delay, size_t dispose) {
  Magick::Image frame = Filled(width, height, color);
  frame.page(page);
  frame.animationDelay(delay);
  frame.gifDisposeMethod(dispose);
  return frame;
}

Bytes WithExif(const Bytes& jpeg, int orientation, const std::string& dateOriginal,
               const std::string& dateDigitized) {
  // Little-endian TIFF structure: IFD0 (orientation, pointer to the EXIF IFD), the EXIF IFD with
  // the two dates, then the date texts. Offsets count from the TIFF header.
  std::vector<Entry> ifd0;
  if (orientation != 0) ifd0.push_back({0x0112, 3, 1, static_cast<uint32_t>(orientation)});
  std::vector<Entry> exif;
  std::vector<const std::string*> texts;
  if (!dateOriginal.empty()) texts.push_back(&dateOriginal);
  if (!dateDigitized.empty()) texts.push_back(&dateDigitized);
  const bool hasExif = !texts.empty();
  const uint32_t ifd0Size = 2 + 12 * (static_cast<uint32_t>(ifd0.size()) + (hasExif ? 1 : 0)) + 4;
  const uint32_t exifOffset = 8 + ifd0Size;
  const uint32_t exifSize = 2 + 12 * static_cast<uint32_t>(texts.size()) + 4;
  uint32_t dataOffset = exifOffset + exifSize;
  if (hasExif) ifd0.push_back({0x8769, 4, 1, exifOffset});
  if (!dateOriginal.empty()) {
    exif.push_back({0x9003, 2, static_cast<uint32_t>(dateOriginal.size() + 1), dataOffset});
    dataOffset += static_cast<uint32_t>(dateOriginal.size() + 1);
  }
  if (!dateDigitized.empty()) {
    exif.push_back({0x9004, 2, static_cast<uint32_t>(dateDigitized.size() + 1), dataOffset});
  }

  Bytes tiff = {'I', 'I', 0x2A, 0};
  Put32(tiff, 8);
  PutIfd(tiff, ifd0);
  if (hasExif) {
    PutIfd(tiff, exif);
    for (const std::string* text : texts) {
      tiff.insert(tiff.end(), text->begin(), text->end());
      tiff.push_back(0);
    }
  }

  Bytes segment = {0xFF, 0xE1};
  const size_t length = 2 + 6 + tiff.size();
  segment.push_back(static_cast<uint8_t>(length >> 8));
  segment.push_back(static_cast<uint8_t>(length & 0xFF));
  for (char c : std::string("Exif", 4)) segment.push_back(static_cast<uint8_t>(c));
  segment.push_back(0);
  segment.push_back(0);
  segment.insert(segment.end(), tiff.begin(), tiff.end());

  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

Bytes ExportCurrent(ImageDecoder& decoder) {
  Bytes pixels(static_cast<size_t>(decoder.frameBytes()));
  decoder.WritePixels(pixels.data(), decoder.frameBytes());
  return pixels;
}

Bytes LoadAndExport(ImageDecoder& decoder, const Bytes& data, int32_t rotation, bool autoOrient,
                    const std::u16string& name) {
  decoder.Load(data.data(), static_cast<int32_t>(data.size()), rotation, autoOrient, name);
  return ExportCurrent(decoder);
}

Bgra PixelAt(const Bytes& pixels, int32_t width, int32_t x, int32_t y) {
  const size_t at = (static_cast<size_t>(y) * width + x) * 4;
  return {pixels[at], pixels[at + 1], pixels[at + 2], pixels[at + 3]};
}

bool Near(const Bgra& pixel, int b, int g, int r, int tolerance) {
  return std::abs(pixel.b - b) <= tolerance && std::abs(pixel.g - g) <= tolerance &&
         std::abs(pixel.r - r) <= tolerance && pixel.a == 255;
}

Magick::Image Marked() {
  Magick::Image image = Filled(16, 8, "blue");
  image.composite(Filled(4, 4, "red"), 0, 0, Magick::OverCompositeOp);
  return image;
}

int RedCorner(const Bytes& pixels, int32_t width, int32_t height) {
  const int32_t xs[4] = {1, width - 2, width - 2, 1};
  const int32_t ys[4] = {1, 1, height - 2, height - 2};
  int found = -1;
  for (int corner = 0; corner < 4; ++corner) {
    if (Near(PixelAt(pixels, width, xs[corner], ys[corner]), 0, 0, 255, 60)) {
      if (found != -1) return -1;
      found = corner;
    }
  }
  return found;
}

}  // namespace zel::test
