// Which files become a picture of their first page before they are decoded, and which pass
// through as they came.
#include "pdf/render_document_preview.h"

#include <gtest/gtest.h>

#include "pdfium/fpdfview.h"
#include "tests/unit/pdf/test_pdfs.h"

namespace zel::test {
namespace {

TEST(RenderDocumentPreview, PdfBecomesTheBmpOfItsFirstPage) {
  FPDF_InitLibrary();
  const std::vector<uint8_t> pdf = MakePdf({{}, {.width = 100, .height = 100}});
  std::string mime = "application/pdf";
  std::vector<uint8_t> storage;
  const auto [data, size] =
      RenderDocumentPreview(pdf.data(), static_cast<int32_t>(pdf.size()), mime, storage);
  EXPECT_EQ(mime, "image/bmp");
  EXPECT_EQ(data, storage.data());
  EXPECT_EQ(static_cast<size_t>(size), storage.size());
  ASSERT_GT(storage.size(), 54u);
  EXPECT_EQ(storage[0], 'B');
  EXPECT_EQ(storage[1], 'M');
}

TEST(RenderDocumentPreview, OtherFilesPassThroughUntouched) {
  const std::vector<uint8_t> pdf = MakePdf({{}});
  // Types are compared exactly: a PDF under another spelling of its type is no document here.
  for (const char* type : {"image/jpeg", "", "Application/PDF", "application/pdf "}) {
    std::string mime = type;
    std::vector<uint8_t> storage = {7};
    const auto [data, size] =
        RenderDocumentPreview(pdf.data(), static_cast<int32_t>(pdf.size()), mime, storage);
    EXPECT_EQ(data, pdf.data()) << type;
    EXPECT_EQ(static_cast<size_t>(size), pdf.size()) << type;
    EXPECT_EQ(mime, type);
    EXPECT_EQ(storage, std::vector<uint8_t>{7}) << type;
  }
}

}  // namespace
}  // namespace zel::test
