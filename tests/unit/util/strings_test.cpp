#include "util/strings.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "util/exceptions.h"

namespace {

using vesku::DecodeUtf8;
using vesku::EncodeUtf8;
using vesku::NormalizeDateText;

TEST(PathHelpers, TrailingSeparatorLooksOnlyAtTheLastCharacter) {
  for (std::u16string path : {u"C:\\dir", u"C:\\dir\\", u"C:\\dir/"}) {
    vesku::EnsureTrailingSeparator(path, u'\\');
    EXPECT_EQ(path, u"C:\\dir\\");
  }
  std::u16string empty;
  vesku::EnsureTrailingSeparator(empty, u'/');
  EXPECT_EQ(empty, u"/");
  EXPECT_EQ(vesku::WithTrailingSeparator(u"/tmp/a\\\\", u'/'), u"/tmp/a\\/");
  EXPECT_EQ(vesku::WithTrailingSeparator(u"/tmp/a", u'/'), u"/tmp/a/");
  EXPECT_EQ(vesku::JoinPath(u"/tmp/", u"x.png"), u"/tmp/x.png");
}

TEST(Conversions, ResultsEndAtTheFirstNul) {
  const std::u16string withNul(u"a\0b", 3);
  EXPECT_EQ(vesku::ToUtf8(withNul), "a");
  EXPECT_EQ(vesku::ToAnsi(withNul), "a");
  EXPECT_EQ(vesku::ToWide(std::string("a\0b", 3)), u"a");
  // ToNarrow itself keeps every converted byte and adds one terminator.
  std::vector<char> bytes;
  vesku::ToNarrow(withNul.data(), 3, vesku::kCodePageUtf8, bytes);
  EXPECT_EQ(bytes, (std::vector<char>{'a', '\0', 'b', '\0'}));
  // A length of 0 leaves the buffer as it was.
  vesku::ToNarrow(u"abc", 0, vesku::kCodePageUtf8, bytes);
  EXPECT_EQ(bytes, (std::vector<char>{'a', '\0', 'b', '\0'}));
}

TEST(Conversions, NonAsciiTextNeedsTheSecondPass) {
  const std::u16string wide = u"\u00e9t\u00e9 \u65e5\u672c \U0001F600";
  const std::string utf8 = "\xc3\xa9t\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80";
  std::vector<char> bytes;
  vesku::ToNarrow(wide.data(), static_cast<int32_t>(wide.size()), vesku::kCodePageUtf8, bytes);
  ASSERT_EQ(bytes.size(), utf8.size() + 1);
  EXPECT_EQ(std::string(bytes.data()), utf8);
  EXPECT_EQ(bytes.back(), '\0');
  EXPECT_EQ(vesku::ToUtf8(wide), utf8);
  EXPECT_EQ(vesku::ToAnsi(wide), utf8);
  EXPECT_EQ(vesku::ToWide(utf8), wide);
}

TEST(Conversions, BadInputBecomesReplacementCharacters) {
  // A lone surrogate cannot be written as UTF-8.
  EXPECT_EQ(vesku::ToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"),
            "a\xef\xbf\xbd"
            "b");
  EXPECT_EQ(vesku::ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xef\xbf\xbd");
  // The converter reads UTF-8 as DecodeUtf8 does: a truncated sequence, an overlong form and an
  // encoded surrogate are one replacement each, a stray continuation byte is one.
  EXPECT_EQ(vesku::ToWide("x\xe2\x82y"), u"x\uFFFDy");
  EXPECT_EQ(vesku::ToWide("\xc0\x80"), u"\uFFFD");
  EXPECT_EQ(vesku::ToWide("\x80z"), u"\uFFFDz");
  EXPECT_EQ(vesku::ToWide("\xed\xa0\x80"), u"\uFFFD");
}

TEST(Conversions, UnknownCodePageFails) {
  std::vector<char> bytes;
  try {
    vesku::ToNarrow(u"abc", 3, 1252, bytes);
    FAIL() << "no exception";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "Convert.Fails");
    EXPECT_EQ(e.code(), 87);
  }
  EXPECT_THROW(vesku::ToNarrow(u"abc", -1, vesku::kCodePageUtf8, bytes), vesku::CWinException);
  EXPECT_EQ(vesku::ToWide("abc", 1252), u"");
}

std::string Encoded(uint32_t codePoint) {
  char buffer[8] = {};
  char* cursor = buffer;
  int32_t remaining = sizeof buffer;
  const int length = EncodeUtf8(codePoint, cursor, remaining);
  EXPECT_EQ(cursor, buffer + length);
  EXPECT_EQ(remaining, static_cast<int32_t>(sizeof buffer) - length);
  return std::string(buffer, static_cast<size_t>(length));
}

TEST(Utf8, EncodeWritesStandardFormsAndMeasures) {
  EXPECT_EQ(Encoded(0x41), "A");
  EXPECT_EQ(Encoded(0xE9), "\xc3\xa9");
  EXPECT_EQ(Encoded(0x7FF), "\xdf\xbf");
  EXPECT_EQ(Encoded(0x20AC), "\xe2\x82\xac");
  EXPECT_EQ(Encoded(0xD800), "\xed\xa0\x80");
  EXPECT_EQ(Encoded(0x10FFFF), "\xf4\x8f\xbf\xbf");
  EXPECT_EQ(Encoded(0x110000), "\xef\xbf\xbd");

  char* none = nullptr;
  int32_t remaining = 0;
  EXPECT_EQ(EncodeUtf8(0x1F600, none, remaining), 4);
  EXPECT_EQ(EncodeUtf8(0xFFFFFFFF, none, remaining), 3);
}

TEST(Utf8, EncodeWithoutRoomWritesNothing) {
  char buffer[2] = {'x', 'y'};
  char* cursor = buffer;
  int32_t remaining = 1;
  EXPECT_EQ(EncodeUtf8(0xE9, cursor, remaining), 0);
  EXPECT_EQ(cursor, buffer);
  EXPECT_EQ(remaining, 1);
  EXPECT_EQ(buffer[0], 'x');
}

struct Decoded {
  int consumed;
  uint32_t codePoint;
};

Decoded Decode(const std::string& bytes) {
  uint32_t codePoint = 0x12345;
  const int consumed = DecodeUtf8(bytes.data(), static_cast<int32_t>(bytes.size()), codePoint);
  return {consumed, codePoint};
}

void ExpectDecoded(const std::string& bytes, int consumed, uint32_t codePoint) {
  const Decoded result = Decode(bytes);
  EXPECT_EQ(result.consumed, consumed) << testing::PrintToString(bytes);
  EXPECT_EQ(result.codePoint, codePoint) << testing::PrintToString(bytes);
}

TEST(Utf8, DecodeWellFormedSequences) {
  ExpectDecoded("A", 1, 0x41);
  ExpectDecoded("\xc3\xa9rest", 2, 0xE9);
  ExpectDecoded("\xe2\x82\xac", 3, 0x20AC);
  ExpectDecoded("\xf0\x9f\x98\x80", 4, 0x1F600);
  ExpectDecoded("\xf4\x8f\xbf\xbf", 4, 0x10FFFF);
}

TEST(Utf8, DecodeIllFormedSequences) {
  ExpectDecoded("\xc0\x80", 2, 0xFFFD);          // overlong
  ExpectDecoded("\xe0\x9f\xbf", 3, 0xFFFD);      // overlong three-byte form
  ExpectDecoded("\xf0\x8f\xbf\xbf", 4, 0xFFFD);  // overlong four-byte form
  ExpectDecoded("\xed\xa0\x80", 3, 0xFFFD);      // surrogate
  ExpectDecoded("\xf4\x90\x80\x80", 4, 0xFFFD);  // above U+10FFFF
  ExpectDecoded("\xe2\x82", 2, 0xFFFD);          // input ends inside the sequence
  ExpectDecoded("\xe2\x82z", 2, 0xFFFD);         // interrupted by a non-continuation byte
  ExpectDecoded("\xc3z", 1, 0xFFFD);
  ExpectDecoded("\x80", 1, 0xFFFD);
  ExpectDecoded("\xfe\x80", 1, 0xFFFD);
  ExpectDecoded("\xff", 1, 0xFFFD);
  // Five- and six-byte forms swallow their own continuation bytes only.
  ExpectDecoded("\xf8\x88\x80\x80\x80z", 5, 0xFFFD);
  ExpectDecoded("\xfc\x84\x80\x80\x80\x80", 6, 0xFFFD);
  ExpectDecoded("\xf8\x88z", 2, 0xFFFD);
  ExpectDecoded("\xfc\x84", 2, 0xFFFD);
}

TEST(Utf8, TheConverterReadsAsDecodeUtf8Does) {
  for (const std::string bytes :
       {"\xc0\x80", "\xe0\x9f\xbf", "\xed\xa0\x80", "\xf4\x90\x80\x80z", "\xe2\x82z", "\x80\xbf",
        "\xf8\x88\x80\x80\x80z", "\xfc\x84", "a\xc3\xa9\xf0\x9f\x98\x80"}) {
    std::u16string decoded;
    for (size_t at = 0; at < bytes.size();) {
      uint32_t codePoint = 0;
      at += static_cast<size_t>(
          DecodeUtf8(bytes.data() + at, static_cast<int32_t>(bytes.size() - at), codePoint));
      if (codePoint >= 0x10000) {
        decoded += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
        decoded += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
      } else {
        decoded += static_cast<char16_t>(codePoint);
      }
    }
    EXPECT_EQ(vesku::ToWide(bytes), decoded) << testing::PrintToString(bytes);
  }
}

TEST(Utf8, DecodeWithoutInputConsumesNothing) {
  uint32_t codePoint = 7;
  EXPECT_EQ(DecodeUtf8(nullptr, 4, codePoint), 0);
  EXPECT_EQ(DecodeUtf8("abc", 0, codePoint), 0);
  EXPECT_EQ(DecodeUtf8("abc", -1, codePoint), 0);
  EXPECT_EQ(codePoint, 7u);
  // The length limits the read even where the bytes go on.
  ExpectDecoded(std::string("\xc3\xa9", 2), 2, 0xE9);
  EXPECT_EQ(DecodeUtf8("\xc3\xa9", 1, codePoint), 1);
  EXPECT_EQ(codePoint, 0xFFFDu);
}

TEST(DateText, NormalisesExifDates) {
  EXPECT_EQ(NormalizeDateText("2021:03:04 12:34:56"), "2021-03-04 12:34:56.000");
  EXPECT_EQ(NormalizeDateText("2021:03:04 12:34:56.789"), "2021-03-04 12:34:56.789");
  EXPECT_EQ(NormalizeDateText("2021:03:04 12:34"), "2021-03-04 12:34:00.000");
  EXPECT_EQ(NormalizeDateText("987:1:2 3:4:5"), " 987-01-02 03:04:05.000");
  // Runs of separators make empty tokens, which are skipped.
  EXPECT_EQ(NormalizeDateText("2021-03-04T12::34:56Z"), "2021-03-04 12:34:56.000");
  // Tokens after the seventh are not read, not even a too long one.
  EXPECT_EQ(NormalizeDateText("2021:03:04 12:34:56.789 1 99999999999"), "2021-03-04 12:34:56.789");
  // Each slot is printed as its low 16 bits.
  EXPECT_EQ(NormalizeDateText("65537:03:04 12:34"), "   1-03-04 12:34:00.000");
}

TEST(DateText, RejectsWhatIsNotADate) {
  EXPECT_EQ(NormalizeDateText(""), "");
  EXPECT_EQ(NormalizeDateText("2021:03:04"), "");
  EXPECT_EQ(NormalizeDateText("2021 03"), "");
  EXPECT_EQ(NormalizeDateText("20210304123:03:04 12:34:56"), "");
  EXPECT_EQ(NormalizeDateText("2021:03:04 12:34:56 2147483648"), "");
  EXPECT_EQ(NormalizeDateText("2147483647:1:1 0:0"), "65535-01-01 00:00:00.000");
  // The unknown-date forms of cameras must not pass for the earliest possible date.
  EXPECT_EQ(NormalizeDateText("    :  :     :  :  "), "");
  EXPECT_EQ(NormalizeDateText("0000:00:00 00:00:00"), "");
}

}  // namespace
