// Plain text as a one-page A4 PDF, one paragraph per line. Only text whose encoding can be told
// with confidence is shown; anything else is refused rather than shown garbled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

enum class TextEncoding : int32_t {
  kAscii = 0,
  kUtf8 = 1,
  kUtf16LittleEndian = 3,
  kUtf16BigEndian = 4,
  kBinary = 7,
  kOther = 8,  // another 8-bit code page, or no bytes at all
};

TextEncoding GuessTextEncoding(const uint8_t* bytes, int32_t length);

// The text as UTF-8, without a leading byte-order mark. Throws std::runtime_error "Can't preview
// text" for encodings that are not accepted, or the converter's error.
std::string DecodeText(const uint8_t* bytes, int32_t length);

// Throws as DecodeText, or std::runtime_error "Can't create PDF" / "Can't save PDF".
void TextToPdf(const uint8_t* data, int32_t size, std::vector<uint8_t>& output);

}  // namespace zel
