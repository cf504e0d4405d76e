#include "documents/text_to_pdf.h"

#include <stdexcept>

#include "documents/combining_marks.h"
#include "documents/docx_document.h"
#include "documents/pdf_text_writer.h"
#include "platform/utf8.h"
#include "util/strings.h"

namespace zel {
namespace {

constexpr size_t kMaxLines = 501;
constexpr int32_t kA4WidthMm = 210;
constexpr int32_t kA4HeightMm = 297;
constexpr size_t kTabStop = 8;
constexpr size_t kTabExpansionLimit = 64 * 1024;

// Whether the bytes are built as UTF-8: every sequence of at most four bytes and complete. The
// values are not judged, so overlong forms and surrogates (as other systems write them) pass and
// are drawn as replacement characters.
bool IsUtf8(const uint8_t* bytes, int32_t length, bool& ascii) {
  ascii = true;
  for (int32_t at = 0; at < length;) {
    const zel::platform::Utf8Sequence sequence =
        zel::platform::DecodeUtf8Sequence(bytes + at, length - at);
    if (bytes[at] >= 0x80) ascii = false;
    if (!sequence.complete || sequence.length > 4) return false;
    at += sequence.length;
  }
  return true;
}

// Text after a UTF-16LE byte-order mark passes only as well-formed UTF-16 that is not binary
// by the measure used for bytes: a mark in front of arbitrary bytes does not make them text.
bool IsUtf16LittleEndianText(const uint8_t* bytes, int32_t length) {
  const int32_t units = length / 2;
  int32_t zeros = 0;
  int32_t controls = 0;
  for (int32_t i = 0; i < units; ++i) {
    const uint32_t unit = bytes[2 * i] | (bytes[2 * i + 1] << 8);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 >= units) return false;
      const uint32_t low = bytes[2 * i + 2] | (bytes[2 * i + 3] << 8);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return false;
    } else if (unit == 0) {
      ++zeros;
    } else if (unit < 32 && unit != '\t' && unit != '\n' && unit != '\r') {
      ++controls;
    } else if (unit == 0xFFFE || unit == 0xFFFF) {
      return false;
    }
  }
  return !(zeros > units * 0.01 || controls > units * 0.05);
}

std::string Utf16LittleEndianToUtf8(const uint8_t* bytes, int32_t length) {
  std::u16string wide(static_cast<size_t>(length / 2), u'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  if (wide.empty()) return {};
  std::vector<char> narrow;
  vesku::ToNarrow(wide.data(), static_cast<int32_t>(wide.size()), vesku::kCodePageUtf8, narrow);
  return std::string(narrow.data(), narrow.size() - 1);  // without the closing NUL
}

// Tabs become spaces up to the next stop; stops are every eight columns, a column being one
// character (marks take none). Far past what a page can show, a tab becomes one space, so that a
// line of tabs does not grow eightfold.
std::string ExpandTabs(const std::string& line) {
  if (line.find('\t') == std::string::npos) return line;
  std::string out;
  size_t column = 0;
  for (size_t at = 0; at < line.size();) {
    uint32_t codePoint = 0;
    const int used =
        vesku::DecodeUtf8(line.data() + at, static_cast<int32_t>(line.size() - at), codePoint);
    if (codePoint == '\t') {
      const size_t spaces = out.size() < kTabExpansionLimit ? kTabStop - column % kTabStop : 1;
      out.append(spaces, ' ');
      column += spaces;
    } else {
      out.append(line, at, static_cast<size_t>(used));
      if (!IsNonSpacingMark(codePoint)) ++column;
    }
    at += static_cast<size_t>(used);
  }
  return out;
}

}  // namespace

TextEncoding GuessTextEncoding(const uint8_t* bytes, int32_t length) {
  if (length <= 0) return TextEncoding::kOther;
  if (length >= 4) {
    int32_t little = 0, littlePrintable = 0, big = 0, bigPrintable = 0;
    for (int32_t at = 0; at + 1 < length; at += 2) {
      const uint8_t first = bytes[at];
      const uint8_t second = bytes[at + 1];
      if (second == 0 && first >= 1 && first <= 127) {
        ++little;
        if (first >= 32 && first <= 126) ++littlePrintable;
      }
      if (first == 0 && second >= 1 && second <= 127) {
        ++big;
        if (second >= 32 && second <= 126) ++bigPrintable;
      }
    }
    const int32_t half = length / 2;
    if (little > half * 0.3 && littlePrintable > half * 0.2)
      return TextEncoding::kUtf16LittleEndian;
    if (big > half * 0.3 && bigPrintable > half * 0.2) return TextEncoding::kUtf16BigEndian;
  }
  bool ascii = true;
  if (IsUtf8(bytes, length, ascii)) return ascii ? TextEncoding::kAscii : TextEncoding::kUtf8;
  int32_t zeros = 0;
  int32_t controls = 0;
  for (int32_t at = 0; at < length; ++at) {
    const uint8_t byte = bytes[at];
    if (byte == 0) {
      ++zeros;
    } else if (byte < 32 && byte != '\t' && byte != '\n' && byte != '\r') {
      ++controls;
    }
  }
  if (zeros > length * 0.01 || controls > length * 0.05) return TextEncoding::kBinary;
  return TextEncoding::kOther;
}

std::string DecodeText(const uint8_t* bytes, int32_t length) {
  // A byte-order mark settles the encoding (UTF-16 text outside ASCII would fail the pair test)
  // and is not part of the text.
  if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    if (!IsUtf16LittleEndianText(bytes + 2, length - 2)) {
      throw std::runtime_error("Can't preview text");
    }
    return Utf16LittleEndianToUtf8(bytes + 2, length - 2);
  }
  if (length >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
    throw std::runtime_error("Can't preview text");
  }
  if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    if (length == 3) return {};
    bytes += 3;
    length -= 3;
    const TextEncoding guess = GuessTextEncoding(bytes, length);
    if (guess != TextEncoding::kAscii && guess != TextEncoding::kUtf8) {
      throw std::runtime_error("Can't preview text");
    }
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  }
  switch (GuessTextEncoding(bytes, length)) {
    case TextEncoding::kAscii:
    case TextEncoding::kUtf8:
      return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    case TextEncoding::kUtf16LittleEndian:
      return Utf16LittleEndianToUtf8(bytes, length);
    default:
      throw std::runtime_error("Can't preview text");
  }
}

void TextToPdf(const uint8_t* data, int32_t size, std::vector<uint8_t>& output) {
  const std::string text = DecodeText(data, size);
  PdfTextWriter writer;
  if (!writer.Create(kA4WidthMm, kA4HeightMm)) throw std::runtime_error("Can't create PDF");
  size_t lineStart = 0;
  for (size_t line = 0; line < kMaxLines; ++line) {
    size_t lineEnd = lineStart;
    while (lineEnd < text.size() && text[lineEnd] != '\n' && text[lineEnd] != '\0') ++lineEnd;
    DocumentParagraph paragraph{0, ExpandTabs(text.substr(lineStart, lineEnd - lineStart))};
    writer.AddParagraph(paragraph);
    if (lineEnd >= text.size()) break;
    lineStart = lineEnd + 1;
  }
  if (!writer.Save(output)) throw std::runtime_error("Can't save PDF");
}

}  // namespace zel
