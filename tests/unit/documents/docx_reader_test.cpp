// Reading the text, heading styles and page size of a DOCX, and refusing what is not one.
#include "documents/docx_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "tests/support/test_documents.h"
#include "tests/unit/documents/documents_environment.h"

namespace zel::test {
namespace {

DocxDocument Read(const std::string& body) {
  const Bytes docx = MakeDocx(body);
  DocxDocument document;
  ParseDocumentXml(
      ExtractDocumentXml(docx.data(), static_cast<int32_t>(docx.size()), ConverterTempFolder()),
      document);
  return document;
}

std::string ErrorOf(const Bytes& bytes) {
  try {
    DocxDocument document;
    ParseDocumentXml(
        ExtractDocumentXml(bytes.data(), static_cast<int32_t>(bytes.size()), ConverterTempFolder()),
        document);
  } catch (const std::exception& error) {
    return error.what();
  }
  return "no error";
}

TEST(DocxReader, RunsAreJoinedAndHiddenOrEmptyContentLeavesNoTrace) {
  const DocxDocument document =
      Read(Paragraph("Hello") + Paragraph("World") +
           "<w:p><w:r><w:t>Split </w:t></w:r><w:hyperlink><w:r><w:t>over</w:t></w:r></w:hyperlink>"
           "<w:r><w:t> runs</w:t><w:tab/></w:r><w:r><w:delText>gone</w:delText></w:r></w:p>"
           "<w:p><w:r><w:t>Page </w:t></w:r>"
           "<w:r><w:t>12</w:t><w:rPr><w:webHidden/></w:rPr></w:r></w:p>"
           "<w:p/>"
           "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr></w:p>"
           "<w:tbl><w:tr><w:tc>" +
           Paragraph("In a table") +
           "</w:tc></w:tr></w:tbl>"
           "<w:sdt><w:sdtContent>" +
           Paragraph("In a control") + "</w:sdtContent></w:sdt>");
  std::vector<std::string> texts;
  for (const auto& paragraph : document.paragraphs) texts.push_back(paragraph.paragraphText);
  EXPECT_EQ(texts, (std::vector<std::string>{"Hello", "World", "Split over runs", "Page ", "",
                                             "In a control"}));
  EXPECT_EQ(document.pageWidthMm, 210);
  EXPECT_EQ(document.pageHeightMm, 297);
}

TEST(DocxReader, StylesGiveLevelsExactly) {
  const DocxDocument document =
      Read(Paragraph("a", "Title") + Paragraph("b", "TOCHeading") + Paragraph("c", "TOC1") +
           Paragraph("d", "TOC2") + Paragraph("e", "TOC3") + Paragraph("f", "Heading1") +
           Paragraph("g", "title"));
  std::vector<int32_t> levels;
  for (const auto& paragraph : document.paragraphs) levels.push_back(paragraph.level);
  EXPECT_EQ(levels, (std::vector<int32_t>{1, 2, 3, 4, 5, 0, 0}));
}

TEST(DocxReader, PageSizeComesFromTheSection) {
  const auto pageOf = [](const std::string& size) {
    const DocxDocument document = Read(Paragraph("x") + "<w:sectPr>" + size + "</w:sectPr>");
    return std::make_pair(document.pageWidthMm, document.pageHeightMm);
  };
  EXPECT_EQ(pageOf("<w:pgSz w:w=\"11906\" w:h=\"16838\"/>"), std::make_pair(210, 297));
  EXPECT_EQ(pageOf("<w:pgSz w:w=\"12240\" w:h=\"15840\"/>"), std::make_pair(215, 279));
  EXPECT_EQ(pageOf("<w:pgSz w:w=\"12240\"/>"), std::make_pair(210, 297));
  EXPECT_EQ(pageOf("<w:pgMar/>"), std::make_pair(210, 297));
  try {
    pageOf("<w:pgSz w:w=\"wide\" w:h=\"16838\"/>");
    FAIL() << "letters taken as a page size";
  } catch (const std::invalid_argument& error) {
    EXPECT_STREQ(error.what(), "invalid stoi argument");
  }
}

TEST(DocxReader, BrokenContainersAndXmlAreRefusedAndLeaveNoFile) {
  EXPECT_EQ(ErrorOf(ToBytes("this is not a zip file at all")), "Failed to open docx file as zip.");
  EXPECT_EQ(ErrorOf({}), "Failed to open docx file as zip.");
  EXPECT_EQ(ErrorOf(MakeZip({{"word/other.xml", "<a/>"}})), "document.xml not found in docx.");
  EXPECT_EQ(ErrorOf(MakeZip({{"word/document.xml", ""}})), "document.xml not found in docx.");
  EXPECT_EQ(ErrorOf(MakeZip({{"Word/Document.xml", "<a/>"}})), "document.xml not found in docx.");
  EXPECT_EQ(ErrorOf(MakeZip({{"word/document.xml", "<w:document><w:body>"}})),
            "Failed to parse document.xml as XML.");
  EXPECT_EQ(ErrorOf(MakeZip({{"word/document.xml", "<?xml version=\"1.0\"?><!-- none -->"}})),
            "Invalid XML.");
  // A range that wraps around the address space: the copy is created, then its write refused.
  const auto* wrapping = reinterpret_cast<const uint8_t*>(UINTPTR_MAX - 15);
  EXPECT_THROW(ExtractDocumentXml(wrapping, 64, ConverterTempFolder()), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_empty(DocumentTempFolder()));
}

TEST(DocxReader, TextThatInflatesPastTheCapIsRefusedBeforeItIsHeld) {
  // A few dozen kilobytes of container.
  const Bytes bomb = MakeZip({{"word/document.xml", std::string(kMaxDocumentXml + 1, ' ')}});
  EXPECT_EQ(ErrorOf(bomb), "document.xml too large in docx.");
  EXPECT_TRUE(std::filesystem::is_empty(DocumentTempFolder()));
}

TEST(DocxReader, LargeDocumentIsReadWhole) {
  // Far more than one read buffer of the zip entry.
  std::string body;
  for (int i = 0; i < 5000; ++i) body += Paragraph("paragraph " + std::to_string(i));
  const DocxDocument document = Read(body);
  ASSERT_EQ(document.paragraphs.size(), 5000u);
  EXPECT_EQ(document.paragraphs.back().paragraphText, "paragraph 4999");
}

}  // namespace
}  // namespace zel::test
