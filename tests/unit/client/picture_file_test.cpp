// Picture files as other programs read them back: every format gives the pixels that were
// written, opaque pictures are stored without alpha, and names that are taken stay untouched.
#include <gtest/gtest.h>

#include <Magick++.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "client/picture/picture_file.h"
#include "tests/support/temp_folder.h"

namespace zel::picture {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override { Magick::InitializeMagick(nullptr); }

  std::string PathOf(const std::string& name) const { return (folder_.path() / name).string(); }

  zel_test::TempFolder folder_;
};

// A picture with every sample different, so that swapped channels or shifted rows show; an odd
// width makes 24-bit BMP rows need padding.
Bytes Pattern(int32_t width, int32_t height, bool opaque) {
  Bytes bgra(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < bgra.size(); i += 4) {
    bgra[i] = static_cast<uint8_t>(i * 7);
    bgra[i + 1] = static_cast<uint8_t>(i * 13 + 50);
    bgra[i + 2] = static_cast<uint8_t>(i * 3 + 100);
    bgra[i + 3] = opaque ? 255 : static_cast<uint8_t>(i * 5);
  }
  return bgra;
}

Bytes ReadBack(const std::string& path, int32_t width, int32_t height) {
  Magick::Image image;
  image.read(path);
  EXPECT_EQ(static_cast<size_t>(width), image.columns()) << path;
  EXPECT_EQ(static_cast<size_t>(height), image.rows()) << path;
  Bytes bgra(static_cast<size_t>(width) * height * 4);
  image.write(0, 0, width, height, "BGRA", Magick::CharPixel, bgra.data());
  return bgra;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST_F(PictureFiles, EveryFormatReadsBackAsThePixelsWritten) {
  // A small picture, and one large enough to be compressed in stripes on several threads.
  for (const auto& [width, height] : {std::pair{13, 7}, std::pair{1031, 613}}) {
    for (const bool opaque : {true, false}) {
      const Bytes pixels = Pattern(width, height, opaque);
      const BgraPicture picture{pixels.data(), width, height};
      for (const PictureFormat format :
           {PictureFormat::kPng, PictureFormat::kPpm, PictureFormat::kBmp}) {
        const std::string path = PathOf("p" + FileExtension(format, opaque));
        WritePictureFile(picture, format, path);
        EXPECT_EQ(pixels, ReadBack(path, width, height))
            << path << " " << width << "x" << height << (opaque ? " opaque" : "");
        fs::remove(path);
      }
    }
  }
}

TEST_F(PictureFiles, OpaquePicturesAreStoredWithoutAlpha) {
  const Bytes opaque = Pattern(4, 3, true);
  Bytes onePixelSeeThrough = opaque;
  onePixelSeeThrough[4 * 11 + 3] = 254;  // the very last pixel
  EXPECT_TRUE(IsOpaque({opaque.data(), 4, 3}));
  EXPECT_FALSE(IsOpaque({onePixelSeeThrough.data(), 4, 3}));

  struct Layout {
    PictureFormat format;
    size_t offset;  // where the format records its channels
    uint8_t opaqueValue;
    uint8_t alphaValue;
  };
  // PNG colour type (2 RGB, 6 RGBA); BMP bits per pixel; netpbm magic number (P6, P7).
  for (const Layout& layout :
       {Layout{PictureFormat::kPng, 25, 2, 6}, Layout{PictureFormat::kBmp, 28, 24, 32},
        Layout{PictureFormat::kPpm, 1, '6', '7'}}) {
    WritePictureFile({opaque.data(), 4, 3}, layout.format, PathOf("opaque"));
    WritePictureFile({onePixelSeeThrough.data(), 4, 3}, layout.format, PathOf("alpha"));
    EXPECT_EQ(layout.opaqueValue, FileBytes(PathOf("opaque")).at(layout.offset));
    EXPECT_EQ(layout.alphaValue, FileBytes(PathOf("alpha")).at(layout.offset));
  }
}

TEST_F(PictureFiles, TakenNamesAndFailedWritesLeaveNoTrace) {
  const Bytes pixels = Pattern(5, 5, true);
  const BgraPicture picture{pixels.data(), 5, 5};
  const std::string taken = PathOf("taken.png");
  std::ofstream(taken) << "keep me";
  EXPECT_THROW(WritePictureFile(picture, PictureFormat::kPng, taken, ExistingFile::kRefuse),
               std::runtime_error);
  const Bytes kept = FileBytes(taken);
  EXPECT_EQ("keep me", std::string(kept.begin(), kept.end()));

  // Several at once: the others are written, and the failure naming its path comes back.
  const std::vector<PictureFileJob> jobs = {
      {picture, PathOf("a.png")}, {picture, PathOf("missing/b.png")}, {picture, PathOf("c.png")}};
  try {
    WritePictureFiles(jobs, PictureFormat::kPng, ExistingFile::kRefuse);
    ADD_FAILURE() << "a write into a missing folder succeeded";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string::npos, std::string(error.what()).find("missing/b.png")) << error.what();
  }
  EXPECT_EQ(pixels, ReadBack(PathOf("a.png"), 5, 5));
  EXPECT_EQ(pixels, ReadBack(PathOf("c.png"), 5, 5));
}

}  // namespace
}  // namespace zel::picture
