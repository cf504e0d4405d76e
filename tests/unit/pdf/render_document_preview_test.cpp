// Which files become a picture of their first page before they are decoded, and which pass
// through as they came.
#include "pdf/render_document_preview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "pdfium/fpdfview.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_documents.h"
#include "tests/support/test_pdfs.h"
#include "util/strings.h"

namespace zel::test {
namespace {

constexpr char kMimeDocxForTest[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document";

TEST(RenderDocumentPreview, PdfBecomesTheBmpOfItsFirstPage) {
  FPDF_InitLibrary();
  const std::vector<uint8_t> pdf = MakePdf({{}, {.width = 100, .height = 100}});
  std::string mime = "application/pdf";
  std::vector<uint8_t> storage;
  const auto [data, size] =
      RenderDocumentPreview(pdf.data(), static_cast<int32_t>(pdf.size()), mime, u"", storage);
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
        RenderDocumentPreview(pdf.data(), static_cast<int32_t>(pdf.size()), mime, u"", storage);
    EXPECT_EQ(data, pdf.data()) << type;
    EXPECT_EQ(static_cast<size_t>(size), pdf.size()) << type;
    EXPECT_EQ(mime, type);
    EXPECT_EQ(storage, std::vector<uint8_t>{7}) << type;
  }
}

int32_t BmpWidth(const std::vector<uint8_t>& bmp) {
  int32_t width = 0;
  std::memcpy(&width, bmp.data() + 18, 4);
  return width;
}

int32_t BmpHeight(const std::vector<uint8_t>& bmp) {
  int32_t height = 0;
  std::memcpy(&height, bmp.data() + 22, 4);
  return -height;  // top-down
}

std::string PreviewError(const std::vector<uint8_t>& bytes, const char* type,
                         const std::u16string& tempFolder) {
  std::string mime = type;
  std::vector<uint8_t> storage;
  try {
    RenderDocumentPreview(bytes.data(), static_cast<int32_t>(bytes.size()), mime, tempFolder,
                          storage);
  } catch (const std::exception& error) {
    EXPECT_EQ(mime, type);
    return error.what();
  }
  return "no error";
}

class WordAndTextPreview : public ::testing::Test {
 protected:
  // The DOCX reader's temporary files go to a folder of this run's own.
  static void SetUpTestSuite() {
    folder_ = new zel_test::TempFolder("preview_routing");
    FPDF_InitLibrary();
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }
  static std::u16string TempFolder() { return folder_->wide(); }

  static zel_test::TempFolder* folder_;
};

zel_test::TempFolder* WordAndTextPreview::folder_ = nullptr;

TEST_F(WordAndTextPreview, DocxAndTextBecomeTheBmpOfTheirFirstPage) {
  const struct {
    std::vector<uint8_t> bytes;
    const char* type;
    int32_t width, height;
  } cases[] = {
      {MakeDocx(Paragraph("Hello")), kMimeDocxForTest, 795, 1123},
      {MakeDocx(Paragraph("Letter") + "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/></w:sectPr>"),
       kMimeDocxForTest, 814, 1055},  // 215 × 279 mm
      {ToBytes("Hello\nWorld"), "application/octet-stream", 795, 1123},
  };
  for (const auto& item : cases) {
    std::string mime = item.type;
    std::vector<uint8_t> storage;
    const auto [data, size] = RenderDocumentPreview(
        item.bytes.data(), static_cast<int32_t>(item.bytes.size()), mime, TempFolder(), storage);
    EXPECT_EQ(mime, "image/bmp");
    EXPECT_EQ(data, storage.data());
    ASSERT_EQ(static_cast<size_t>(size), storage.size());
    EXPECT_EQ(BmpWidth(storage), item.width);
    EXPECT_EQ(BmpHeight(storage), item.height);
  }
}

TEST_F(WordAndTextPreview, ConverterErrorsPassThroughUnchanged) {
  const std::vector<uint8_t> pdf = MakePdf({{}});
  // Labelled as text, a PDF goes to the text converter, which refuses its binary content.
  EXPECT_EQ(PreviewError(pdf, "application/octet-stream", TempFolder()), "Can't preview text");
  EXPECT_EQ(PreviewError(ToBytes("plain words"), kMimeDocxForTest, TempFolder()),
            "Failed to open docx file as zip.");
  EXPECT_EQ(PreviewError(MakeZip({{"a.txt", "x"}}), kMimeDocxForTest, TempFolder()),
            "document.xml not found in docx.");
  EXPECT_EQ(PreviewError(MakeZip({{"word/document.xml", "<a>"}}), kMimeDocxForTest, TempFolder()),
            "Failed to parse document.xml as XML.");
  EXPECT_EQ(
      PreviewError(MakeZip({{"word/document.xml", "<!-- -->"}}), kMimeDocxForTest, TempFolder()),
      "Invalid XML.");
}

}  // namespace
}  // namespace zel::test
