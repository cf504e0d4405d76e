// Text outside the Latin alphabet on the page: CJK text in fonts that cover it (glyphs really
// drawn, text really there), right-to-left paragraphs in display order, the system font.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "documents/system_font.h"
#include "documents/text_to_pdf.h"
#include "pdf/first_pdf_page.h"
#include "platform/fonts.h"
#include "platform/screen.h"
#include "tests/unit/documents/documents_environment.h"
#include "tests/unit/documents/test_documents.h"

namespace zel::test {
namespace {

Bytes TextPdf(const std::string& text) {
  Bytes pdf;
  TextToPdf(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), pdf);
  return pdf;
}

// Dark pixels of the rendered first page inside a word's box (points from the top-left corner).
int DarkPixelsIn(const Bytes& bmp, int32_t width, const PdfWord& word) {
  const double scale = 96.0 / 72;
  int dark = 0;
  // One pixel of frame around the page.
  for (int y = static_cast<int>(word.yMin * scale) + 1; y <= static_cast<int>(word.yMax * scale);
       ++y) {
    for (int x = static_cast<int>(word.xMin * scale) + 1; x <= static_cast<int>(word.xMax * scale);
         ++x) {
      const size_t at = 54 + (static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 4;
      if (at + 2 < bmp.size() && bmp[at] < 100 && bmp[at + 1] < 100 && bmp[at + 2] < 100) ++dark;
    }
  }
  return dark;
}

class PdfScripts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePdfToText()) GTEST_SKIP() << "pdftotext missing";
  }
};

TEST_F(PdfScripts, CjkTextIsDrawnWithGlyphsAndReadsBack) {
  // 临 is a composite glyph whose parts lie past glyph 32768 of the Han font.
  const std::string text =
      "日本語のテキスト\n한국어 텍스트\n中文文本临时测试\nLatin 日本語 mixed\n临临临临";
  const Bytes pdf = TextPdf(text);
  EXPECT_EQ(PdfText(pdf), text + "\n\f");

  std::string mime;
  Bytes bmp;
  RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, bmp);
  ImageSummary summary;
  MeasureFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), summary);
  const std::vector<PdfWord> words = PdfWords(pdf);
  ASSERT_EQ(words.size(), 8u);
  for (const PdfWord& word : words) {
    // A glyph-less box (what a missing font or a dropped glyph part gives) stays white.
    EXPECT_GT(DarkPixelsIn(bmp, summary.width, word), 15) << word.text;
  }
  // The Latin and Japanese parts of one line share it.
  EXPECT_EQ(words[4].text, "Latin");
  EXPECT_EQ(words[5].text, "日本語");
  EXPECT_NEAR(words[4].yMax, words[5].yMax, 3);
  EXPECT_GT(words[5].xMin, words[4].xMax);
}

TEST_F(PdfScripts, RightToLeftParagraphsStartAtTheTopRight) {
  const std::u32string letters = U"אבגדהוזחטיכלמנסעפצקרשת";
  std::vector<std::string> logical;
  std::string paragraph;
  for (int i = 0; i < 60; ++i) {
    std::u32string word = {letters[static_cast<size_t>(i) / 22], letters[i % 22U], letters[0]};
    std::string utf8;
    for (const char32_t c : word) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
    logical.push_back(utf8);
    paragraph += (i > 0 ? " " : "") + utf8;
  }
  const std::vector<PdfWord> words = PdfWords(TextPdf(paragraph + "\nafter"));
  ASSERT_FALSE(words.empty());
  EXPECT_EQ(words.back().text, "after");
  // Drawn glyph order is the reverse of the logical letters.
  const auto reversed = [](const std::string& word) {
    std::string out;
    for (size_t at = word.size(); at >= 2; at -= 2) out += word.substr(at - 2, 2);
    return out;
  };
  std::map<std::string, const PdfWord*> byText;
  for (const PdfWord& word : words) byText[word.text] = &word;
  ASSERT_EQ(words.size(), logical.size() + 1) << "a word was split or lost";
  const PdfWord* first = byText[reversed(logical[0])];
  ASSERT_NE(first, nullptr);
  for (size_t i = 1; i < logical.size(); ++i) {
    const PdfWord* word = byText[reversed(logical[i])];
    ASSERT_NE(word, nullptr) << i;
    const PdfWord* previous = byText[reversed(logical[i - 1])];
    // Each next word is left of the previous one on its line, or on a later line.
    if (std::abs(word->yMin - previous->yMin) < 1) {
      EXPECT_LT(word->xMax, previous->xMin) << i;
    } else {
      EXPECT_GT(word->yMin, previous->yMin) << i;
    }
    EXPECT_GE(word->yMin, first->yMin - 0.01);
  }
}

TEST_F(PdfScripts, WithoutASystemFontTheBuiltInFontSetsWesternText) {
  platform::HideMessageFontForTesting(true);
  const Bytes pdf = TextPdf("Caf\u00E9 cr\u00E8me \u20AC5 \u2603 \u65E5\u672C");
  platform::HideMessageFontForTesting(false);
  EXPECT_EQ(PdfText(pdf), "Caf\u00E9 cr\u00E8me \u20AC5 ? ??\n\f");
  // The body size follows from the 10-point default: 15 points, 22.5 points a line.
  platform::HideMessageFontForTesting(true);
  const std::vector<PdfWord> words = PdfWords(TextPdf("one\ntwo"));
  platform::HideMessageFontForTesting(false);
  ASSERT_EQ(words.size(), 2u);
  EXPECT_NEAR(words[1].yMin - words[0].yMin, 22.5, 0.01);
}

TEST(SystemMessageFont, NinePointsAtAnyResolution) {
  for (const int dpi : {96, 120}) {
    platform::SetScreenDotsPerInchForTesting(dpi, dpi);
    std::u16string face;
    int32_t sizeTenths = 100;
    std::vector<uint8_t> bytes;
    GetSystemMessageFont(face, sizeTenths, bytes);
    EXPECT_EQ(sizeTenths, 90) << dpi;
    EXPECT_FALSE(face.empty());
    ASSERT_GT(bytes.size(), 4u);
    // A TrueType font file, not a collection and not CFF outlines.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4),
              (std::vector<uint8_t>{0, 1, 0, 0}));
  }
  platform::SetScreenDotsPerInchForTesting(0, 0);
}

}  // namespace
}  // namespace zel::test
