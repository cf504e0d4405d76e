#include "platform/text_codec.h"

#include <limits>

#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace zel::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsUtf8CodePage(uint32_t codePage) {
  return codePage == kCodePageUtf8 || codePage == kCodePageAnsi;
}

int32_t Fail(int32_t code) {
  SetLastError(code);
  return 0;
}

// Collects output units; in the measuring pass (no buffer) it only counts them.
template <typename Unit>
class Sink {
 public:
  Sink(Unit* out, int32_t capacity) : out_(out), capacity_(capacity) {}

  // False when the buffer has no room for `count` more units.
  bool Put(const Unit* units, int32_t count) {
    if (capacity_ != 0) {
      if (count > capacity_ - static_cast<int64_t>(written_)) return false;
      for (int32_t i = 0; i < count; ++i) out_[written_ + i] = units[i];
    }
    written_ += count;
    return true;
  }

  int64_t written() const { return written_; }

 private:
  Unit* out_;
  int32_t capacity_;
  int64_t written_ = 0;
};

int32_t EncodeOne(char32_t codePoint, char* bytes) {
  if (codePoint < 0x80) {
    bytes[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    bytes[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    bytes[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  bytes[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  bytes[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  bytes[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  bytes[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

// Well-formed UTF-8 (Unicode table 3-7): the range allowed for the second byte depends on the lead
// byte; every later byte is a plain continuation byte.
struct LeadRule {
  int32_t length;  // 0: not a valid lead byte
  uint8_t secondLow;
  uint8_t secondHigh;
};

LeadRule RuleFor(uint8_t lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

// Decodes the sequence at `bytes`; an ill-formed one yields U+FFFD and consumes its maximal
// well-formed prefix (at least one byte), so the next sequence starts at the first offending byte.
char32_t DecodeOne(const uint8_t* bytes, int32_t available, int32_t& consumed) {
  const uint8_t lead = bytes[0];
  consumed = 1;
  if (lead < 0x80) return lead;
  const LeadRule rule = RuleFor(lead);
  if (rule.length == 0) return kReplacement;
  char32_t value = lead & (0x7F >> rule.length);
  for (int32_t i = 1; i < rule.length; ++i) {
    if (i >= available) return kReplacement;
    const uint8_t low = i == 1 ? rule.secondLow : 0x80;
    const uint8_t high = i == 1 ? rule.secondHigh : 0xBF;
    if (bytes[i] < low || bytes[i] > high) return kReplacement;
    value = (value << 6) | (bytes[i] & 0x3F);
    consumed = i + 1;
  }
  return value;
}

}  // namespace

int32_t WideToNarrow(uint32_t codePage, const char16_t* wide, int32_t length, char* out,
                     int32_t capacity) {
  if (!IsUtf8CodePage(codePage) || wide == nullptr || length <= 0 || capacity < 0 ||
      (capacity > 0 && out == nullptr)) {
    return Fail(kErrorInvalidParameter);
  }
  Sink<char> sink(out, capacity);
  for (int32_t i = 0; i < length; ++i) {
    char32_t codePoint = wide[i];
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < length && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
      codePoint = kReplacement;
    }
    char bytes[4];
    if (!sink.Put(bytes, EncodeOne(codePoint, bytes))) return Fail(kErrorInsufficientBuffer);
    if (sink.written() > std::numeric_limits<int32_t>::max()) {
      return Fail(kErrorInvalidParameter);
    }
  }
  return static_cast<int32_t>(sink.written());
}

int32_t NarrowToWide(uint32_t codePage, const char* narrow, int32_t length, char16_t* out,
                     int32_t capacity) {
  if (!IsUtf8CodePage(codePage) || narrow == nullptr || length <= 0 || capacity < 0 ||
      (capacity > 0 && out == nullptr)) {
    return Fail(kErrorInvalidParameter);
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(narrow);
  Sink<char16_t> sink(out, capacity);
  for (int32_t i = 0; i < length;) {
    int32_t consumed = 0;
    const char32_t codePoint = DecodeOne(bytes + i, length - i, consumed);
    i += consumed;
    char16_t units[2];
    int32_t count = 1;
    if (codePoint >= 0x10000) {
      units[0] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      units[1] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
      count = 2;
    } else {
      units[0] = static_cast<char16_t>(codePoint);
    }
    // At most one unit per input byte, so the count cannot pass the 32-bit input length.
    if (!sink.Put(units, count)) return Fail(kErrorInsufficientBuffer);
  }
  return static_cast<int32_t>(sink.written());
}

}  // namespace zel::platform
