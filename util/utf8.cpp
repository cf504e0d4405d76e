#include "util/strings.h"

namespace vesku {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

int EncodeUtf8(uint32_t codePoint, char*& cursor, int32_t& remaining) {
  if (codePoint > 0x10FFFF) codePoint = kReplacement;
  const int length = codePoint <= 0x7F ? 1 : codePoint <= 0x7FF ? 2 : codePoint <= 0xFFFF ? 3 : 4;
  if (cursor == nullptr) return length;
  if (remaining < length) return 0;
  static constexpr unsigned char kLeadMarks[] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
  for (int i = length - 1; i > 0; --i) {
    cursor[i] = static_cast<char>(0x80 | (codePoint & 0x3F));
    codePoint >>= 6;
  }
  cursor[0] = static_cast<char>(kLeadMarks[length] | codePoint);
  cursor += length;
  remaining -= length;
  return length;
}

int DecodeUtf8(const char* bytes, int32_t length, uint32_t& codePoint) {
  if (bytes == nullptr || length <= 0) return 0;
  const auto* input = reinterpret_cast<const unsigned char*>(bytes);
  const unsigned char lead = input[0];
  if (lead < 0x80) {
    codePoint = lead;
    return 1;
  }
  int sequence = 0;
  if (lead >= 0xC0 && lead <= 0xDF) {
    sequence = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    sequence = 3;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    sequence = 4;
  } else if (lead >= 0xF8 && lead <= 0xFB) {
    sequence = 5;
  } else if (lead >= 0xFC && lead <= 0xFD) {
    sequence = 6;
  } else {
    // A continuation byte or 0xFE/0xFF cannot start a sequence.
    codePoint = kReplacement;
    return 1;
  }

  if (sequence > 4) {
    // Five- and six-byte forms lie beyond Unicode; skip what belongs to them.
    int consumed = 1;
    while (consumed < sequence && consumed < length && IsContinuation(input[consumed])) {
      ++consumed;
    }
    codePoint = kReplacement;
    return consumed;
  }

  static constexpr uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  uint32_t value = lead & (0x7F >> sequence);
  for (int i = 1; i < sequence; ++i) {
    if (i >= length || !IsContinuation(input[i])) {
      codePoint = kReplacement;
      return i;
    }
    value = (value << 6) | (input[i] & 0x3F);
  }
  const bool overlong = value < kMinimum[sequence];
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  codePoint = overlong || surrogate || value > 0x10FFFF ? kReplacement : value;
  return sequence;
}

}  // namespace vesku
