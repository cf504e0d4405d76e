#include "platform/utf8.h"

namespace zel::platform {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The sequence length a lead byte calls for; 0 for a byte that cannot start a sequence.
int32_t LengthFromLead(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC0 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF7) return 4;
  if (lead >= 0xF8 && lead <= 0xFB) return 5;
  if (lead >= 0xFC && lead <= 0xFD) return 6;
  return 0;
}

}  // namespace

Utf8Sequence DecodeUtf8Sequence(const unsigned char* bytes, int32_t available) {
  const unsigned char lead = bytes[0];
  const int32_t length = LengthFromLead(lead);
  if (length == 1) return {lead, 1, true, true};
  Utf8Sequence sequence{kReplacementCharacter, 1, false, false};
  if (length == 0) return sequence;
  char32_t value = lead & (0x7F >> length);
  while (sequence.length < length) {
    if (sequence.length >= available || !IsContinuation(bytes[sequence.length])) return sequence;
    value = (value << 6) | (bytes[sequence.length] & 0x3F);
    ++sequence.length;
  }
  sequence.complete = true;
  // Five- and six-byte forms lie beyond Unicode whatever they hold.
  if (length > 4) return sequence;
  static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  const bool overlong = value < kMinimum[length];
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  if (overlong || surrogate || value > 0x10FFFF) return sequence;
  sequence.codePoint = value;
  sequence.wellFormed = true;
  return sequence;
}

int32_t Utf8SequenceLength(char32_t codePoint) {
  return codePoint <= 0x7F ? 1 : codePoint <= 0x7FF ? 2 : codePoint <= 0xFFFF ? 3 : 4;
}

int32_t EncodeUtf8Sequence(char32_t codePoint, char* out) {
  static constexpr unsigned char kLeadMarks[] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};
  const int32_t length = Utf8SequenceLength(codePoint);
  for (int32_t i = length - 1; i > 0; --i) {
    out[i] = static_cast<char>(0x80 | (codePoint & 0x3F));
    codePoint >>= 6;
  }
  out[0] = static_cast<char>(kLeadMarks[length] | codePoint);
  return length;
}

}  // namespace zel::platform
