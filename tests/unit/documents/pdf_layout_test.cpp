// Where the writer puts text on the page, read back with poppler's pdftotext: sizes by style, line
// pitch, wrapping, and what happens when the page is full.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "documents/docx_to_pdf.h"
#include "documents/text_to_pdf.h"
#include "tests/support/test_documents.h"
#include "tests/unit/documents/documents_environment.h"

namespace zel::test {
namespace {

constexpr double kMargin = 28.346;
constexpr double kA4Width = 595.27;

Bytes DocxPdf(const std::string& body) {
  const Bytes docx = MakeDocx(body);
  Bytes pdf;
  DocxToPdf(docx.data(), static_cast<int32_t>(docx.size()), ConverterTempFolder(), pdf);
  return pdf;
}

Bytes TextPdf(const std::string& text) {
  Bytes pdf;
  TextToPdf(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), pdf);
  return pdf;
}

const PdfWord* Find(const std::vector<PdfWord>& words, const std::string& text) {
  for (const auto& word : words) {
    if (word.text == text) return &word;
  }
  return nullptr;
}

class PdfLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext missing";
  }
};

TEST_F(PdfLayout, BodyLinesFollowAtOneAndAHalfTimesTheSizeUntilThePageIsFull) {
  std::string text;
  for (int i = 1; i <= 45; ++i) text += "line" + std::to_string(i) + "\n";
  const std::vector<PdfWord> words = PdfWords(TextPdf(text));
  // A 9-point message font gives 13-point body text: 19.5 points a line, forty lines on A4.
  ASSERT_EQ(words.size(), 40u);
  EXPECT_EQ(words.front().text, "line1");
  EXPECT_EQ(words.back().text, "line40");
  for (size_t i = 1; i < words.size(); ++i) {
    EXPECT_NEAR(words[i].yMin - words[i - 1].yMin, 19.5, 0.01) << words[i].text;
    EXPECT_NEAR(words[i].xMin, kMargin, 0.01);
  }
  EXPECT_LT(words.front().yMin, 34.346 + 13);
  EXPECT_GT(words.front().yMin, 34.346);
}

TEST_F(PdfLayout, StylesSetSizeIndentAndSpaceBefore) {
  const std::vector<PdfWord> words =
      PdfWords(DocxPdf(Paragraph("Body") + Paragraph("Title", "Title") + Paragraph("After") +
                       Paragraph("Heading", "TOCHeading") + Paragraph("One", "TOC1") +
                       Paragraph("Two", "TOC2") + Paragraph("Three", "TOC3")));
  ASSERT_EQ(words.size(), 7u);
  const auto height = [&](const char* text) {
    const PdfWord* word = Find(words, text);
    return word == nullptr ? 0.0 : word->yMax - word->yMin;
  };
  const double body = height("Body");
  EXPECT_NEAR(height("Title") / body, 3.0, 0.05);
  EXPECT_NEAR(height("Heading") / body, 2.0, 0.05);
  EXPECT_NEAR(height("One") / body, 19.0 / 13, 0.05);
  EXPECT_NEAR(height("Three") / body, 19.0 / 13, 0.05);
  // Lines start at the cursor: 28.346 + 13 / 2 for the first body line; the title then gets
  // (39 - 13) / 2 = 13 points before it, the body after it none. A word's box starts a fixed
  // share of its size below the line's top.
  const PdfWord* first = Find(words, "Body");
  const PdfWord* title = Find(words, "Title");
  const PdfWord* after = Find(words, "After");
  ASSERT_TRUE(title && after && first);
  const double boxOffset = (first->yMin - 34.346) / 13;
  EXPECT_NEAR(title->yMin - boxOffset * 39, 34.346 + 19.5 + 13, 0.05);
  EXPECT_NEAR(after->yMin - boxOffset * 13, 34.346 + 19.5 + 13 + 58.5, 0.05);
  // Four and eight spaces in front of the second and third contents levels.
  EXPECT_NEAR(Find(words, "One")->xMin, kMargin, 0.01);
  EXPECT_GT(Find(words, "Two")->xMin, Find(words, "One")->xMin + 10);
  EXPECT_GT(Find(words, "Three")->xMin, Find(words, "Two")->xMin + 10);
}

TEST_F(PdfLayout, LongParagraphsWrapAtWordsAndCarriageReturnsVanish) {
  std::string paragraph;
  for (int i = 0; i < 60; ++i) paragraph += "word" + std::to_string(i) + " ";
  const std::vector<PdfWord> words = PdfWords(TextPdf("a\r\n" + paragraph + "\r\nend\r\n"));
  ASSERT_EQ(words.size(), 62u);
  EXPECT_EQ(words[0].text, "a");
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(words[static_cast<size_t>(i) + 1].text, "word" + std::to_string(i));
    EXPECT_LE(words[static_cast<size_t>(i) + 1].xMax, kA4Width - kMargin);
  }
  EXPECT_EQ(words.back().text, "end");
  EXPECT_GT(words[60].yMin, words[1].yMin + 19.5);
}

TEST_F(PdfLayout, EmptyLinesTakeALineEachAndOverlongWordsAreCut) {
  const std::string longWord(300, 'm');
  const std::vector<PdfWord> words = PdfWords(TextPdf("top\n\n" + longWord + " tail\nnext"));
  ASSERT_EQ(words.size(), 3u);
  EXPECT_NEAR(words[1].yMin - words[0].yMin, 2 * 19.5, 0.01);
  // Halved until it fits: 305 → 152 → 76 → 38 bytes; the rest of that paragraph is gone.
  EXPECT_EQ(words[1].text, std::string(38, 'm'));
  EXPECT_EQ(words[2].text, "next");
  EXPECT_NEAR(words[2].yMin - words[1].yMin, 19.5, 0.01);
}

TEST_F(PdfLayout, PageSizeFollowsTheDocument) {
  const Bytes tiny =
      DocxPdf(Paragraph("x") + "<w:sectPr><w:pgSz w:w=\"283\" w:h=\"283\"/></w:sectPr>");
  EXPECT_TRUE(PdfWords(tiny).empty());
  const Bytes letter =
      DocxPdf(Paragraph("x") + "<w:sectPr><w:pgSz w:w=\"12240\" w:h=\"15840\"/></w:sectPr>");
  EXPECT_EQ(PdfWords(letter).size(), 1u);
  try {
    DocxPdf(Paragraph("x") + "<w:sectPr><w:pgSz w:w=\"0\" w:h=\"15840\"/></w:sectPr>");
    FAIL() << "a page without width was accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Can't create PDF");
  }
}

TEST_F(PdfLayout, AtMostFiveHundredAndOneParagraphsAreLaidOut) {
  // Small enough to fit many on the page: the 502nd must not appear even though room is left.
  std::string body;
  for (int i = 0; i < 600; ++i) body += i < 501 ? "<w:p><w:r/></w:p>" : Paragraph("late");
  EXPECT_TRUE(PdfWords(DocxPdf(Paragraph("first") + body)).size() == 1u);
}

TEST(PdfWriterInput, IllFormedUtf8IsLaidOutWithoutHarm) {
  // Word documents may hold any bytes in their text; text files pass surrogates and overlong
  // forms as UTF-8. Neither may upset measuring or drawing.
  const std::string odd = "a\xFF\xFE b\xE6\x97 c\xC0\xAF d\xED\xA0\x80 e\xF4\x90\x80\x80 \xE6";
  Bytes pdf = TextPdf("ok \xED\xA0\x80 \xC0\xAF ok");
  EXPECT_FALSE(pdf.empty());
  pdf = DocxPdf(Paragraph(odd) + Paragraph(odd + " 日本語 " + odd) + Paragraph("שלום " + odd));
  EXPECT_FALSE(pdf.empty());
}

TEST(PdfWriterThreads, ParallelConversionsAreIndependent) {
  const std::string text = "Parallel 日本語 한국어 中文 שלום\nsecond line";
  const Bytes alone = TextPdf(text);
  Bytes first;
  Bytes second;
  std::thread one([&] { first = TextPdf(text); });
  std::thread two([&] { second = TextPdf(text); });
  one.join();
  two.join();
  EXPECT_EQ(first, alone);
  EXPECT_EQ(second, alone);
}

}  // namespace
}  // namespace zel::test
