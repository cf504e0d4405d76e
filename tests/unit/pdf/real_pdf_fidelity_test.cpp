// Real documents from Debian's documentation packages: their first page as we render it must
// show what poppler's pdftoppm shows at the same size. Anti-aliasing and font hinting differ
// between the two renderers, so the pictures are compared by their mean difference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "pdf/first_pdf_page.h"
#include "pdfium/fpdfview.h"
#include "tests/support/test_pdfs.h"

namespace zel::test {
namespace {

struct Rgb {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // R, G, B
};

Rgb ReadPpm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  Rgb image;
  in >> magic >> image.width >> image.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return {};
  image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
  in.read(reinterpret_cast<char*>(image.pixels.data()),
          static_cast<std::streamsize>(image.pixels.size()));
  return in ? image : Rgb{};
}

// pdftoppm's rendering of page 1 scaled to exactly width × height.
Rgb RenderWithPoppler(const std::string& pdf, int width, int height) {
  const auto base = std::filesystem::temp_directory_path() /
                    ("zel_fidelity_" + std::to_string(std::random_device{}()));
  const std::string command = "pdftoppm -f 1 -l 1 -singlefile -scale-to-x " +
                              std::to_string(width) + " -scale-to-y " + std::to_string(height) +
                              " '" + pdf + "' '" + base.string() + "' 2>/dev/null";
  Rgb image;
  if (std::system(command.c_str()) == 0) image = ReadPpm(base.string() + ".ppm");
  std::filesystem::remove(base.string() + ".ppm");
  return image;
}

class RealPdf : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { FPDF_InitLibrary(); }
};

TEST_P(RealPdf, FirstPageMatchesAnIndependentRenderer) {
  const std::vector<uint8_t> pdf = ReadFileBytes(GetParam());
  if (pdf.empty()) GTEST_SKIP() << GetParam() << " is not installed";
  if (std::system("pdftoppm -v >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdftoppm missing";

  ImageSummary summary;
  MeasureFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), summary);
  std::string mime;
  std::vector<uint8_t> bmp;
  RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, bmp);
  ASSERT_EQ(bmp.size(), 54u + static_cast<size_t>(summary.width) * summary.height * 4);

  // The frame is one pixel wide at 96 dots per inch; the page lies inside it.
  const int width = summary.width - 2;
  const int height = summary.height - 2;
  const Rgb reference = RenderWithPoppler(GetParam(), width, height);
  ASSERT_EQ(reference.width, width);
  ASSERT_EQ(reference.height, height);

  // Compared in 4 × 4 blocks: the renderers place hinted glyphs up to a pixel apart, which a
  // pixel-by-pixel comparison would count against dense text; missing content still shows.
  constexpr int kBlock = 4;
  double difference = 0;
  size_t blocks = 0;
  size_t inkOurs = 0;
  size_t inkTheirs = 0;
  for (int by = 0; by + kBlock <= height; by += kBlock) {
    for (int bx = 0; bx + kBlock <= width; bx += kBlock) {
      int sumOurs[3] = {};
      int sumTheirs[3] = {};
      for (int y = by; y < by + kBlock; ++y) {
        for (int x = bx; x < bx + kBlock; ++x) {
          const uint8_t* ours =
              bmp.data() + 54 + (static_cast<size_t>(y + 1) * summary.width + x + 1) * 4;
          const uint8_t* theirs =
              reference.pixels.data() + (static_cast<size_t>(y) * width + x) * 3;
          for (int c = 0; c < 3; ++c) {
            sumOurs[c] += ours[2 - c];
            sumTheirs[c] += theirs[c];
          }
          inkOurs += ours[0] + ours[1] + ours[2] < 3 * 128;
          inkTheirs += theirs[0] + theirs[1] + theirs[2] < 3 * 128;
        }
      }
      for (int c = 0; c < 3; ++c) difference += std::abs(sumOurs[c] - sumTheirs[c]);
      ++blocks;
    }
  }
  const double mean = difference / (3.0 * kBlock * kBlock * blocks);
  EXPECT_LT(mean, 3.0) << "mean difference per channel";
  // The same amount of dark content: neither renderer dropped text the other drew.
  EXPECT_GT(inkOurs, 1000u);
  EXPECT_NEAR(static_cast<double>(inkOurs), static_cast<double>(inkTheirs), 0.25 * inkTheirs);
  RecordProperty("mean_difference", std::to_string(mean));
}

INSTANTIATE_TEST_SUITE_P(DebianDocs, RealPdf, ::testing::ValuesIn(RealPdfPaths()),
                         [](const auto& info) {
                           std::string name = std::filesystem::path(info.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace zel::test
