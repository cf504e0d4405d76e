// Which texts are shown and how their encoding is told apart; what is refused.
#include "documents/text_to_pdf.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/test_documents.h"

namespace zel::test {
namespace {

TextEncoding Guess(const Bytes& bytes) {
  return GuessTextEncoding(bytes.data(), static_cast<int32_t>(bytes.size()));
}

Bytes Utf16(const std::u16string& text, bool bigEndian, bool mark) {
  Bytes bytes;
  if (mark) bytes = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (const char16_t unit : text) {
    const auto low = static_cast<uint8_t>(unit & 0xFF);
    const auto high = static_cast<uint8_t>(unit >> 8);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
  return bytes;
}

std::string Decode(const Bytes& bytes) {
  return DecodeText(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void ExpectRefused(const Bytes& bytes) {
  try {
    Decode(bytes);
    FAIL() << "accepted";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Can't preview text");
  }
  Bytes pdf;
  EXPECT_THROW(TextToPdf(bytes.data(), static_cast<int32_t>(bytes.size()), pdf),
               std::runtime_error);
}

TEST(TextEncoding, GuessesByContent) {
  EXPECT_EQ(Guess({}), TextEncoding::kOther);
  EXPECT_EQ(Guess(ToBytes("Hello\nWorld")), TextEncoding::kAscii);
  EXPECT_EQ(Guess(ToBytes("abc")), TextEncoding::kAscii);  // too short for the pair test
  EXPECT_EQ(Guess(ToBytes("Gr\xC3\xBC\xC3\x9F"
                          "e, caf\xC3\xA9")),
            TextEncoding::kUtf8);
  EXPECT_EQ(Guess(ToBytes("Gr\xFC\xDF"
                          "e, caf\xE9")),
            TextEncoding::kOther);                              // Windows-1252
  EXPECT_EQ(Guess(ToBytes("\xE6\x97")), TextEncoding::kOther);  // cut-off sequence
  EXPECT_EQ(Guess(Utf16(u"Hello", false, false)), TextEncoding::kUtf16LittleEndian);
  EXPECT_EQ(Guess(Utf16(u"Hello", true, false)), TextEncoding::kUtf16BigEndian);
  Bytes binary = ToBytes(
      "ab\x01\x02\x03\x04"
      "cdefgh\x80\x81");
  binary.insert(binary.end(), {0, 'x', 0xFF, 0, 'y', 'z'});
  EXPECT_EQ(Guess(binary), TextEncoding::kBinary);
}

TEST(TextEncoding, DecodesAcceptedTextAndDropsByteOrderMarks) {
  EXPECT_EQ(Decode(ToBytes("Hello")), "Hello");
  EXPECT_EQ(Decode(Utf16(u"Hello", false, false)), "Hello");
  // Outside ASCII the pair test fails, so only the mark tells UTF-16 apart.
  EXPECT_EQ(Decode(Utf16(u"日本語のテキスト", false, true)), "日本語のテキスト");
  EXPECT_EQ(Decode(Utf16(u"Hello", false, true)), "Hello");
  EXPECT_EQ(Decode(ToBytes("\xEF\xBB\xBF"
                           "caf\xC3\xA9")),
            "caf\xC3\xA9");
  EXPECT_EQ(Decode(ToBytes("\xEF\xBB\xBF")), "");
}

TEST(TextEncoding, UnacceptedTextIsRefused) {
  ExpectRefused({});
  ExpectRefused(
      ToBytes("Gr\xFC\xDF"
              "e, caf\xE9 cr\xE8me br\xFBl\xE9"
              "e"));
  ExpectRefused(Utf16(u"Hello", true, false));
  ExpectRefused(Utf16(u"Hello", true, true));
  ExpectRefused(
      ToBytes("\xEF\xBB\xBF"
              "caf\xE9 au lait"));
  Bytes binary(400, 'a');
  for (size_t i = 0; i < binary.size(); i += 50) binary[i] = 0;
  binary[1] = 0xFF;
  ExpectRefused(binary);
  // A UTF-16LE mark does not make what follows it text: neither arbitrary bytes (unpaired
  // surrogates among them) nor well-formed units that are mostly zero.
  Bytes marked = {0xFF, 0xFE};
  uint32_t state = 12345;
  for (int i = 0; i < 600; ++i) {
    state = state * 1103515245 + 12345;
    marked.push_back(static_cast<uint8_t>(state >> 16));
  }
  ExpectRefused(marked);
  marked = {0xFF, 0xFE};
  for (int i = 0; i < 100; ++i) marked.insert(marked.end(), {'A', 0, 0, 0});
  ExpectRefused(marked);
}

TEST(TextToPdf, LinesBecomeParagraphsOfTheText) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext missing";
  for (const Bytes& input : {ToBytes("Hello\nWorld"), ToBytes("Hello\r\nWorld\r\n"),
                             Bytes{'H', 'e', 'l', 'l', 'o', 0, 'W', 'o', 'r', 'l', 'd'}}) {
    Bytes pdf;
    TextToPdf(input.data(), static_cast<int32_t>(input.size()), pdf);
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].text, "Hello");
    EXPECT_EQ(words[1].text, "World");
    EXPECT_NEAR(words[1].yMin - words[0].yMin, 19.5, 0.01);
  }
  const Bytes utf16 = Utf16(u"Grüße\nΚαλημέρα Доброе утро", false, true);
  Bytes pdf;
  TextToPdf(utf16.data(), static_cast<int32_t>(utf16.size()), pdf);
  EXPECT_EQ(PdfText(pdf), "Grüße\nΚαλημέρα Доброе утро\n\f");
}

TEST(TextToPdf, TabsAdvanceToStopsEveryEightColumns) {
  if (!HavePdfToText()) GTEST_SKIP() << "pdftotext missing";
  const auto words = [](const std::string& text) {
    Bytes pdf;
    TextToPdf(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()),
              pdf);
    return PdfWords(pdf);
  };
  const std::vector<PdfWord> tabbed = words("abc\td\n\te\nabcdefgh\tf\nд\u0301\tg");
  const std::vector<PdfWord> spaced =
      words("abc     d\n        e\nabcdefgh        f\nд\u0301       g");
  ASSERT_EQ(tabbed.size(), spaced.size());
  for (size_t i = 0; i < tabbed.size(); ++i) {
    EXPECT_EQ(tabbed[i].text, spaced[i].text);
    EXPECT_NEAR(tabbed[i].xMin, spaced[i].xMin, 0.01) << tabbed[i].text;
  }
}

}  // namespace
}  // namespace zel::test
