#include "platform/text_codec.h"

#include <limits>

#include "platform/error_codes.h"
#include "platform/utf8.h"

namespace zel::platform {
namespace {

bool IsUtf8CodePage(uint32_t codePage) {
  return codePage == kCodePageUtf8 || codePage == kCodePageAnsi;
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

}  // namespace

int32_t WideToNarrow(uint32_t codePage, const char16_t* wide, int32_t length, char* out,
                     int32_t capacity, int32_t& count) {
  if (!IsUtf8CodePage(codePage) || wide == nullptr || length <= 0 || capacity < 0 ||
      (capacity > 0 && out == nullptr)) {
    return kErrorInvalidParameter;
  }
  Sink<char> sink(out, capacity);
  for (int32_t i = 0; i < length; ++i) {
    char32_t codePoint = wide[i];
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < length && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
      codePoint = kReplacementCharacter;
    }
    char bytes[4];
    if (!sink.Put(bytes, EncodeUtf8Sequence(codePoint, bytes))) return kErrorInsufficientBuffer;
    if (sink.written() > std::numeric_limits<int32_t>::max()) {
      return kErrorInvalidParameter;
    }
  }
  count = static_cast<int32_t>(sink.written());
  return 0;
}

int32_t NarrowToWide(uint32_t codePage, const char* narrow, int32_t length, char16_t* out,
                     int32_t capacity, int32_t& count) {
  if (!IsUtf8CodePage(codePage) || narrow == nullptr || length <= 0 || capacity < 0 ||
      (capacity > 0 && out == nullptr)) {
    return kErrorInvalidParameter;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(narrow);
  Sink<char16_t> sink(out, capacity);
  for (int32_t i = 0; i < length;) {
    const Utf8Sequence sequence = DecodeUtf8Sequence(bytes + i, length - i);
    const char32_t codePoint = sequence.codePoint;
    i += sequence.length;
    char16_t units[2];
    int32_t unitCount = 1;
    if (codePoint >= 0x10000) {
      units[0] = static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      units[1] = static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
      unitCount = 2;
    } else {
      units[0] = static_cast<char16_t>(codePoint);
    }
    // At most one unit per input byte, so the count cannot pass the 32-bit input length.
    if (!sink.Put(units, unitCount)) return kErrorInsufficientBuffer;
  }
  count = static_cast<int32_t>(sink.written());
  return 0;
}

}  // namespace zel::platform
