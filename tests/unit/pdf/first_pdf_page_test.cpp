// The framed first-page picture: its size at several resolutions, the BMP file image byte for
// byte, and what happens to documents that cannot be opened.
#include "pdf/first_pdf_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <latch>
#include <mutex>
#include <thread>

#include "pdf/page_geometry.h"
#include "pdf/pdf_library_lock.h"
#include "pdfium/fpdfview.h"
#include "platform/screen.h"
#include "tests/support/test_pdfs.h"
#include "util/request_deadline.h"

namespace zel::test {
namespace {

class FirstPdfPage : public ::testing::Test {
 protected:
  void SetUp() override { FPDF_InitLibrary(); }
  void TearDown() override { platform::SetScreenDotsPerInchForTesting(0, 0); }

  static ImageSummary Measure(const std::vector<uint8_t>& pdf) {
    ImageSummary summary;
    MeasureFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), summary);
    return summary;
  }
};

// A parsed view of the BMP file image.
struct Bmp {
  const std::vector<uint8_t>& bytes;
  uint32_t U32(size_t at) const {
    uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }
  int32_t Width() const { return static_cast<int32_t>(U32(18)); }
  // 0xXXRRGGBB as the four bytes B, G, R, X read little-endian.
  uint32_t Pixel(int x, int y) const {
    return U32(54 + (static_cast<size_t>(y) * Width() + x) * 4);
  }
};

TEST_F(FirstPdfPage, SizesFollowTheScreenResolutionAndHalveLargePages) {
  const auto a4 = MakePdf({{.width = 595.28f, .height = 841.89f}});
  ImageSummary s = Measure(a4);
  EXPECT_EQ(s.width, 795);
  EXPECT_EQ(s.height, 1123);
  s = Measure(MakePdf({{.width = 612, .height = 792}}));  // Letter: 816 wide, so not halved
  EXPECT_EQ(s.width, 816 + 2);
  EXPECT_EQ(s.height, 1056 + 2);
  s = Measure(MakePdf({{.width = 841.89f, .height = 1190.55f}}));  // A3
  EXPECT_EQ(s.width, 562);
  EXPECT_EQ(s.height, 795);
  s = Measure(MakePdf({{.width = 2000, .height = 300}}));  // large in one direction only
  EXPECT_EQ(s.width, 2666 + 2);
  EXPECT_EQ(s.height, 400 + 2);

  platform::SetScreenDotsPerInchForTesting(144, 144);
  s = Measure(a4);
  EXPECT_EQ(s.width, 599);
  EXPECT_EQ(s.height, 845);
}

TEST_F(FirstPdfPage, OnlyTheFirstPageCountsAndItsRotationApplies) {
  ImageSummary s = Measure(MakePdf({{}, {.width = 2000, .height = 300}, {.width = 100}}));
  EXPECT_EQ(s.width, 795);
  EXPECT_EQ(s.height, 1123);
  s = Measure(MakePdf({{.rotate = 90}, {}}));
  EXPECT_EQ(s.width, 1123);
  EXPECT_EQ(s.height, 795);
}

TEST_F(FirstPdfPage, MeasuringTouchesOnlyWidthAndHeight) {
  ImageSummary s;
  s.flags = 3;
  s.rotation = 90;
  s.dateTaken = "2020-01-01 00:00:00.000";
  const auto pdf = MakePdf({{}});
  MeasureFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), s);
  EXPECT_EQ(s.width, 795);
  EXPECT_EQ(s.flags, 3);
  EXPECT_EQ(s.rotation, 90);
  EXPECT_EQ(s.dateTaken, "2020-01-01 00:00:00.000");
}

TEST_F(FirstPdfPage, RendersAFramedTopDownBmpFileImage) {
  const auto pdf = MakePdf({{.text = true}});
  std::string mime = "application/pdf";
  std::vector<uint8_t> storage = {1, 2, 3};
  const auto [data, size] =
      RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, storage);
  EXPECT_EQ(mime, "image/bmp");
  EXPECT_EQ(data, storage.data());
  ASSERT_EQ(size, 54 + 795 * 1123 * 4);
  ASSERT_EQ(storage.size(), static_cast<size_t>(size));

  const Bmp bmp{storage};
  EXPECT_EQ(bmp.U16(0), 0x4D42);
  EXPECT_EQ(bmp.U32(2), static_cast<uint32_t>(size));
  EXPECT_EQ(bmp.U32(6), 0u);  // both reserved fields
  EXPECT_EQ(bmp.U32(10), 54u);
  EXPECT_EQ(bmp.U32(14), 40u);
  EXPECT_EQ(bmp.Width(), 795);
  EXPECT_EQ(static_cast<int32_t>(bmp.U32(22)), -1123);
  EXPECT_EQ(bmp.U16(26), 1);
  EXPECT_EQ(bmp.U16(28), 32);
  EXPECT_EQ(bmp.U32(30), 0u);
  EXPECT_EQ(bmp.U32(34), 795u * 1123u * 4u);
  EXPECT_EQ(bmp.U32(38), 2835u);
  EXPECT_EQ(bmp.U32(42), 2835u);
  EXPECT_EQ(bmp.U32(46), 0u);
  EXPECT_EQ(bmp.U32(50), 0u);

  // Frame: dark top and left, light bottom and right, which own the corners they share.
  constexpr uint32_t kDark = 0xFFA0A0A0, kLight = 0xFFB0B0B0, kWhite = 0xFFFFFFFF;
  EXPECT_EQ(bmp.Pixel(0, 0), kDark);
  EXPECT_EQ(bmp.Pixel(400, 0), kDark);
  EXPECT_EQ(bmp.Pixel(0, 600), kDark);
  EXPECT_EQ(bmp.Pixel(400, 1122), kLight);
  EXPECT_EQ(bmp.Pixel(794, 600), kLight);
  EXPECT_EQ(bmp.Pixel(794, 0), kLight);
  EXPECT_EQ(bmp.Pixel(0, 1122), kLight);
  EXPECT_EQ(bmp.Pixel(794, 1122), kLight);
  // Page: white where empty, the filler byte always 0xFF, and dark pixels only where the text
  // is: 48-point glyphs from 72 points in, on a baseline 120 points (160 pixels) down.
  EXPECT_EQ(bmp.Pixel(1, 1), kWhite);
  EXPECT_EQ(bmp.Pixel(400, 1000), kWhite);
  EXPECT_EQ(bmp.Pixel(793, 1121), kWhite);
  int dark = 0;
  for (int y = 1; y < 1122; ++y) {
    for (int x = 1; x < 794; ++x) {
      const uint32_t p = bmp.Pixel(x, y);
      ASSERT_EQ(p >> 24, 0xFFu);
      if ((p & 0xFF) < 0x40) {
        ++dark;
        EXPECT_TRUE(y > 100 && y < 190 && x > 90) << x << "," << y;  // only where the text is
      }
    }
  }
  EXPECT_GT(dark, 2000);
}

TEST_F(FirstPdfPage, DocumentsThatCannotBeOpenedLeaveTheCallersDataAlone) {
  const auto good = MakePdf({{.text = true}, {}});
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
      {"not a pdf", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
      {"empty", {}},
      {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 40)},
      {"cut in half", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)},
      {"encrypted", MakePdf({{.text = true}}, "user-secret")},
  };
  for (const auto& [name, bytes] : cases) {
    std::string mime = "application/pdf";
    std::vector<uint8_t> storage = {7, 7, 7};
    try {
      RenderFirstPdfPage(bytes.data(), static_cast<uint32_t>(bytes.size()), mime, storage);
      ADD_FAILURE() << name << " rendered";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Can't open pdf") << name;
    }
    EXPECT_EQ(mime, "application/pdf") << name;
    EXPECT_EQ(storage, (std::vector<uint8_t>{7, 7, 7})) << name;
    ImageSummary summary;
    summary.width = 5;
    EXPECT_THROW(MeasureFirstPdfPage(bytes.data(), static_cast<uint32_t>(bytes.size()), summary),
                 std::runtime_error)
        << name;
    EXPECT_EQ(summary.width, 5) << name;
  }
  // The lock is free again after every failure.
  EXPECT_TRUE(PdfLibraryLock().try_lock());
  PdfLibraryLock().unlock();
}

TEST_F(FirstPdfPage, AHugePageIsSizedToThePageLimitBeforeItIsDrawn) {
  // The largest page a PDF may declare: 19200 × 9600 pixels, 368 MB as a picture.
  const auto huge = MakePdf({{.width = 14400, .height = 7200, .cornerSquare = true}});
  constexpr int64_t kLimit = 4 << 20;
  SetPageByteLimit(kLimit);
  const ImageSummary measured = Measure(huge);
  std::string mime;
  std::vector<uint8_t> storage;
  RenderFirstPdfPage(huge.data(), static_cast<uint32_t>(huge.size()), mime, storage);
  SetPageByteLimit(209715200 / 2);

  const int64_t bytes = int64_t{measured.width} * measured.height * 4;
  EXPECT_LE(bytes, kLimit);
  EXPECT_GT(bytes, kLimit * 9 / 10);
  EXPECT_NEAR(static_cast<double>(measured.width) / measured.height, 2.0, 0.01);
  // What is rendered is exactly what was measured, and the page is drawn at that scale: the
  // 100-point square at the top-left corner shrinks with it.
  const Bmp bmp{storage};
  ASSERT_EQ(bmp.Width(), measured.width);
  EXPECT_EQ(storage.size(), 54 + static_cast<size_t>(bytes));
  EXPECT_EQ(bmp.Pixel(3, 3) & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(bmp.Pixel(measured.width / 2, measured.height / 2) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(FirstPdfPage, ADrawingCutShortByTheRequestsDeadlineIsNoPicture) {
  const auto pdf = MakePdf({{.text = true}});
  vesku::RequestDeadline deadline;
  const vesku::ScopedRequestDeadline current(deadline);
  deadline.Expire();
  std::string mime = "application/pdf";
  std::vector<uint8_t> storage = {7};
  try {
    RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, storage);
    ADD_FAILURE() << "rendered past the deadline";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Time limit exceeded");
  }
  EXPECT_EQ(storage, std::vector<uint8_t>{7});
  EXPECT_TRUE(PdfLibraryLock().try_lock());
  PdfLibraryLock().unlock();
}

TEST_F(FirstPdfPage, RenderingWaitsForTheLibraryLock) {
  const auto pdf = MakePdf({{.text = true}});
  std::atomic<bool> released{false};
  std::atomic<int> finished{0};
  std::atomic<int> early{0};
  std::latch started(2);
  auto render = [&] {
    std::string mime;
    std::vector<uint8_t> storage;
    started.count_down();
    RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, storage);
    if (!released) ++early;
    if (mime == "image/bmp" && storage.size() == 54u + 795 * 1123 * 4) ++finished;
  };
  std::unique_lock<std::mutex> held(PdfLibraryLock());
  std::thread first(render);
  std::thread second(render);
  started.wait();
  // Neither may finish while another sequence holds the lock.
  released = true;
  held.unlock();
  first.join();
  second.join();
  EXPECT_EQ(early.load(), 0);
  EXPECT_EQ(finished.load(), 2);
}

}  // namespace
}  // namespace zel::test
