// Text outside the Latin alphabet on the page: every script in a font that covers it (glyphs
// really drawn, text really there, one baseline a line), CJK lines filled, right-to-left
// paragraphs in display order with Arabic letters joined, the system font.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <map>

#include "documents/system_font.h"
#include "documents/text_to_pdf.h"
#include "pdf/first_pdf_page.h"
#include "platform/fonts.h"
#include "platform/screen.h"
#include "tests/support/test_documents.h"
#include "tests/unit/documents/documents_environment.h"

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

class PdfScriptGlyphs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePdfToText() || !HaveMutool()) GTEST_SKIP() << "pdftotext or mutool missing";
  }
};

struct Sample {
  const char* script;
  std::string text;
  // The first line as pdftotext reads it back (right-to-left text in reading order, Arabic
  // letters in their joined forms); empty where the layout of spaces makes it no fair check.
  std::string reading;
};

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {
      {"Chinese", "你好，世界！今天（晴天）：好吗？", "你好，世界！今天（晴天）：好吗？"},
      {"Japanese", "ｶﾀｶﾅ！東京（とうきょう）です。", "ｶﾀｶﾅ！東京（とうきょう）です。"},
      {"Korean", "안녕하세요, 세계！", "안녕하세요, 세계！"},
      // مَرْحَبًا بِكُمْ: initial meem, final reh, initial hah, medial beh, final alef; initial
      // beh, medial kaf, final meem; the harakat after their letters.
      {"Arabic",
       "\u0645\u064E\u0631\u0652\u062D\u064E\u0628\u064B\u0627 "
       "\u0628\u0650\u0643\u064F\u0645\u0652",
       "\uFEE3\u064E\uFEAE\u0652\uFEA3\u064E\uFE92\u064B\uFE8E "
       "\uFE91\u0650\uFEDC\u064F\uFEE2\u0652"},
      {"Hebrew", "\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD \u05E2\u05D5\u05B9\u05DC\u05B8\u05DD",
       "\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD \u05E2\u05D5\u05B9\u05DC\u05B8\u05DD"},
      {"Thai", "สวัสดีชาวโลก ภาษาไทย", "สวัสดีชาวโลก ภาษาไทย"},
      {"Devanagari", "नमस्ते दुनिया", "नमस्ते दुनिया"},
      {"Bengali", "বাংলা ভাষা", "বাংলা ভাষা"},
      {"Tamil", "வணக்கம் உலகம்", "வணக்கம் உலகம்"},
      {"Georgian", "გამარჯობა მსოფლიო", "გამარჯობა მსოფლიო"},
      {"Armenian", "Բարեւ աշխարհ", "Բարեւ աշխարհ"},
      {"Ethiopic", "ሰላም ለዓለም", "ሰላም ለዓለም"},
      {"CJK and Latin", "Version 2.0 のリリース: 新機能 and bug fixes 中文 text",
       "Version 2.0 のリリース: 新機能 and bug fixes 中文 text"},
      {"Tab-separated", "name\tqty\tprice\napple\t3\t1.20", ""},
  };
  return samples;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

bool IsRealGlyph(const PdfGlyph& glyph) { return glyph.glyph != ".notdef" && glyph.glyph != "0"; }

TEST_F(PdfScriptGlyphs, EveryCharacterIsDrawnWithARealGlyph) {
  for (const Sample& sample : Samples()) {
    const std::vector<PdfGlyph> glyphs = PdfGlyphs(TextPdf(sample.text));
    EXPECT_FALSE(glyphs.empty()) << sample.script;
    for (const PdfGlyph& glyph : glyphs) {
      EXPECT_TRUE(IsRealGlyph(glyph))
          << sample.script << ": '" << glyph.text << "' in " << glyph.font;
    }
  }
}

TEST_F(PdfScripts, TextReadsBackInReadingOrder) {
  for (const Sample& sample : Samples()) {
    if (sample.reading.empty()) continue;
    EXPECT_EQ(FirstLine(PdfReadingText(TextPdf(sample.text))), sample.reading) << sample.script;
  }
}

TEST_F(PdfScriptGlyphs, AllFontsOfALineShareOneBaseline) {
  // Where a line set in the base font alone stands.
  const double latin = PdfGlyphs(TextPdf("Version")).front().y;
  for (const Sample& sample : Samples()) {
    const std::vector<PdfGlyph> glyphs = PdfGlyphs(TextPdf(FirstLine(sample.text)));
    for (const PdfGlyph& glyph : glyphs) {
      EXPECT_NEAR(glyph.y, latin, 0.01)
          << sample.script << ": '" << glyph.text << "' in " << glyph.font;
    }
  }
}

TEST_F(PdfScriptGlyphs, CjkLinesFillTheWidthAndNeverStartWithClosingPunctuation) {
  const double lineWidth = 595.27 - 2 * 28.346;
  const std::string closing = "，。、！？：；）」』";
  for (const std::string sentence :
       {"中文没有空格，所以每个字之间都可以换行（但是标点不能在行首）。",
        "日本語の文章は、文字と文字の間で改行できます！「ただし」句読点は行頭に来ません。"}) {
    std::string paragraph;
    for (int i = 0; i < 6; ++i) paragraph += sentence;
    std::map<double, std::vector<PdfGlyph>, std::greater<>> lines;
    for (const PdfGlyph& glyph : PdfGlyphs(TextPdf(paragraph))) lines[glyph.y].push_back(glyph);
    ASSERT_GE(lines.size(), 3u) << sentence;
    for (auto line = lines.begin(); std::next(line) != lines.end(); ++line) {
      const PdfGlyph& last = line->second.back();
      EXPECT_GE(last.x + last.advance - 28.346, 0.9 * lineWidth) << sentence;
      EXPECT_LE(last.x + last.advance - 28.346, lineWidth + 0.01) << sentence;
      EXPECT_EQ(closing.find(line->second.front().text), std::string::npos)
          << "a line starts with " << line->second.front().text;
    }
  }
}

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
  // What Windows-1252 lacks is set in fonts that have it: the CJK font, a font of the machine.
  EXPECT_EQ(PdfText(pdf), "Caf\u00E9 cr\u00E8me \u20AC5 \u2603 \u65E5\u672C\n\f");
  if (HaveMutool()) {
    for (const PdfGlyph& glyph : PdfGlyphs(pdf)) EXPECT_TRUE(IsRealGlyph(glyph)) << glyph.text;
  }
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
