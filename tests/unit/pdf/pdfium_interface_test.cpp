// The PDFium interface as the host relies on it: sizes, bitmap format, compositing, rotation,
// annotations and the documents it refuses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "pdf/pdf_guards.h"
#include "pdfium/fpdfview.h"
#include "tests/support/test_pdfs.h"

namespace zel::test {
namespace {

using Doc = vesku::CBaseGuard<vesku::PdfDocGuardImpl>;
using Page = vesku::CBaseGuard<vesku::PdfPageGuardImpl>;
using Bitmap = vesku::CBaseGuard<vesku::PdfBitmapGuardImpl>;

class PdfiumInterface : public ::testing::Test {
 protected:
  void SetUp() override { FPDF_InitLibrary(); }

  Doc Load(const std::vector<uint8_t>& bytes, const char* password = nullptr) {
    return Doc(FPDF_LoadMemDocument(bytes.data(), static_cast<int>(bytes.size()), password));
  }
};

uint32_t PixelAt(FPDF_BITMAP bitmap, int width, int x, int y) {
  uint32_t value;
  std::memcpy(&value, static_cast<uint8_t*>(FPDFBitmap_GetBuffer(bitmap)) + (y * width + x) * 4, 4);
  return value;  // little-endian B, G, R, X read as 0xXXRRGGBB
}

TEST_F(PdfiumInterface, PageSizeIsInPointsAfterThePagesRotation) {
  const auto bytes = MakePdf({{.width = 595.276f, .height = 841.89f},
                              {.width = 595.276f, .height = 841.89f, .rotate = 90}});
  Doc doc = Load(bytes);
  ASSERT_TRUE(doc);
  Page upright(FPDF_LoadPage(doc.Get(), 0));
  Page turned(FPDF_LoadPage(doc.Get(), 1));
  ASSERT_TRUE(upright && turned);
  EXPECT_NEAR(FPDF_GetPageWidth(upright.Get()), 595.276, 0.01);
  EXPECT_NEAR(FPDF_GetPageHeight(upright.Get()), 841.89, 0.01);
  EXPECT_NEAR(FPDF_GetPageWidth(turned.Get()), 841.89, 0.01);
  EXPECT_NEAR(FPDF_GetPageHeight(turned.Get()), 595.276, 0.01);
  EXPECT_FALSE(Page(FPDF_LoadPage(doc.Get(), 2)));
  EXPECT_FALSE(Page(FPDF_LoadPage(doc.Get(), -1)));
}

TEST_F(PdfiumInterface, RefusesWhatIsNotAReadablePdf) {
  const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'd', 'f'};
  EXPECT_FALSE(Load(text));
  EXPECT_FALSE(Doc(FPDF_LoadMemDocument(text.data(), 0, nullptr)));
  EXPECT_FALSE(Doc(FPDF_LoadMemDocument(nullptr, 10, nullptr)));
}

TEST_F(PdfiumInterface, RepairsAFileThatLostOnlyItsCrossReferenceTable) {
  auto bytes = MakePdf({{.cornerSquare = true}});
  const std::string tail(bytes.end() - 300, bytes.end());
  ASSERT_NE(tail.find("xref"), std::string::npos);
  bytes.resize(bytes.size() - 300 + tail.find("xref"));
  Doc doc = Load(bytes);
  ASSERT_TRUE(doc);
  EXPECT_TRUE(Page(FPDF_LoadPage(doc.Get(), 0)));
}

TEST_F(PdfiumInterface, EncryptedDocumentOpensOnlyWithItsPassword) {
  const auto bytes = MakePdf({{}}, "user-secret");
  EXPECT_FALSE(Load(bytes));
  EXPECT_FALSE(Load(bytes, "wrong"));
  Doc doc = Load(bytes, "user-secret");
  ASSERT_TRUE(doc);
  EXPECT_TRUE(Page(FPDF_LoadPage(doc.Get(), 0)));
}

TEST_F(PdfiumInterface, OpaqueBitmapFillsIgnoreAlphaAndClip) {
  EXPECT_FALSE(Bitmap(FPDFBitmap_Create(0, 5, 0)));
  EXPECT_FALSE(Bitmap(FPDFBitmap_Create(5, -1, 0)));
  EXPECT_FALSE(Bitmap(FPDFBitmap_Create(5, 5, 1)));  // only the opaque form is provided
  Bitmap bitmap(FPDFBitmap_Create(4, 3, 0));
  ASSERT_TRUE(bitmap);
  EXPECT_TRUE(FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 4, 3, 0x00123456));
  EXPECT_TRUE(FPDFBitmap_FillRect(bitmap.Get(), 2, 1, 100, 100, 0x80ABCDEF));
  EXPECT_TRUE(FPDFBitmap_FillRect(bitmap.Get(), -5, -5, 3, 3, 0xFF000000));  // fully outside
  const auto* bytes = static_cast<const uint8_t*>(FPDFBitmap_GetBuffer(bitmap.Get()));
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x56, 0x34, 0x12, 0xFF}));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(PixelAt(bitmap.Get(), 4, x, y), (x >= 2 && y >= 1) ? 0xFFABCDEFu : 0xFF123456u)
          << x << "," << y;
    }
  }
}

TEST_F(PdfiumInterface, RenderingCompositesOverTheBitmapInsideTheTargetOnly) {
  // Page 200 × 100 points with a black 100 × 100 square at its top-left; drawn at half scale.
  const auto bytes = MakePdf({{.width = 200, .height = 100, .cornerSquare = true}});
  Doc doc = Load(bytes);
  Page page(FPDF_LoadPage(doc.Get(), 0));
  ASSERT_TRUE(page);
  Bitmap bitmap(FPDFBitmap_Create(120, 70, 0));
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 120, 70, 0xFFFF0000);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 10, 10, 100, 50, 0, 0);
  EXPECT_EQ(PixelAt(bitmap.Get(), 120, 5, 5), 0xFFFF0000u);    // outside the target
  EXPECT_EQ(PixelAt(bitmap.Get(), 120, 30, 30), 0xFF000000u);  // the square
  EXPECT_EQ(PixelAt(bitmap.Get(), 120, 90, 30), 0xFFFF0000u);  // empty page: red shows through
  EXPECT_EQ(PixelAt(bitmap.Get(), 120, 115, 65), 0xFFFF0000u);
}

TEST_F(PdfiumInterface, RotationTurnsThePageClockwise) {
  const auto bytes = MakePdf({{.width = 200, .height = 100, .cornerSquare = true}});
  Doc doc = Load(bytes);
  Page page(FPDF_LoadPage(doc.Get(), 0));
  ASSERT_TRUE(page);
  // Turned a quarter clockwise, the page is 100 × 200 and its top-left square is top-right.
  Bitmap bitmap(FPDFBitmap_Create(100, 200, 0));
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 100, 200, 0xFFFFFFFF);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 100, 200, 1, 0);
  EXPECT_EQ(PixelAt(bitmap.Get(), 100, 50, 50), 0xFF000000u);
  EXPECT_EQ(PixelAt(bitmap.Get(), 100, 50, 150), 0xFFFFFFFFu);
  // Upside down, the square is at the bottom-right.
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 100, 200, 0xFFFFFFFF);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 100, 50, 2, 0);
  EXPECT_EQ(PixelAt(bitmap.Get(), 100, 75, 37), 0xFF000000u);
  EXPECT_EQ(PixelAt(bitmap.Get(), 100, 25, 12), 0xFFFFFFFFu);
}

TEST_F(PdfiumInterface, AnnotationsAreDrawnOnlyWithTheAnnotFlag) {
  const auto bytes = MakePdf({{.width = 400, .height = 400, .squareAnnotation = true}});
  Doc doc = Load(bytes);
  Page page(FPDF_LoadPage(doc.Get(), 0));
  ASSERT_TRUE(page);
  Bitmap bitmap(FPDFBitmap_Create(400, 400, 0));
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 400, 400, 0xFFFFFFFF);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 400, 400, 0, 0);
  EXPECT_EQ(PixelAt(bitmap.Get(), 400, 200, 200), 0xFFFFFFFFu);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 400, 400, 0, FPDF_ANNOT);
  EXPECT_EQ(PixelAt(bitmap.Get(), 400, 200, 200), 0xFFFF0000u);
}

TEST_F(PdfiumInterface, PageOutlivesItsClosedDocument) {
  const auto bytes = MakePdf({{.width = 100, .height = 100, .cornerSquare = true}});
  Doc doc = Load(bytes);
  Page page(FPDF_LoadPage(doc.Get(), 0));
  doc.Reset();
  Bitmap bitmap(FPDFBitmap_Create(10, 10, 0));
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 10, 10, 0xFFFFFFFF);
  FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 10, 10, 0, FPDF_ANNOT);
  EXPECT_EQ(PixelAt(bitmap.Get(), 10, 5, 5), 0xFF000000u);
}

TEST_F(PdfiumInterface, DifferentDocumentsRenderOnDifferentThreadsAtOnce) {
  // The host serialises its own sequences, but the layer keeps one MuPDF context per document
  // over a shared, locked store, so it stays sound without that.
  const auto bytes = MakePdf({{.width = 300, .height = 300, .text = true, .cornerSquare = true}});
  auto render = [&] {
    std::vector<uint8_t> last;
    for (int i = 0; i < 10; ++i) {
      Doc doc = Load(bytes);
      Page page(FPDF_LoadPage(doc.Get(), 0));
      Bitmap bitmap(FPDFBitmap_Create(300, 300, 0));
      if (!page || !bitmap) return std::vector<uint8_t>{};
      FPDFBitmap_FillRect(bitmap.Get(), 0, 0, 300, 300, 0xFFFFFFFF);
      FPDF_RenderPageBitmap(bitmap.Get(), page.Get(), 0, 0, 300, 300, 0, FPDF_ANNOT);
      const auto* pixels = static_cast<const uint8_t*>(FPDFBitmap_GetBuffer(bitmap.Get()));
      last.assign(pixels, pixels + 300 * 300 * 4);
    }
    return last;
  };
  std::vector<uint8_t> a, b;
  std::thread first([&] { a = render(); });
  std::thread second([&] { b = render(); });
  first.join();
  second.join();
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
}

}  // namespace
}  // namespace zel::test
