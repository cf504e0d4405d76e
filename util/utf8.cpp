#include "util/strings.h"

#include "platform/utf8.h"

namespace vesku {

int EncodeUtf8(uint32_t codePoint, char*& cursor, int32_t& remaining) {
  namespace platform = zel::platform;
  if (codePoint > 0x10FFFF) codePoint = platform::kReplacementCharacter;
  const int length = platform::Utf8SequenceLength(codePoint);
  if (cursor == nullptr) return length;
  if (remaining < length) return 0;
  platform::EncodeUtf8Sequence(codePoint, cursor);
  cursor += length;
  remaining -= length;
  return length;
}

void AppendUtf8(uint32_t codePoint, std::string& out) {
  char bytes[4];
  char* cursor = bytes;
  int32_t room = 4;
  const int length = EncodeUtf8(codePoint, cursor, room);
  out.append(bytes, static_cast<size_t>(length));
}

int DecodeUtf8(const char* bytes, int32_t length, uint32_t& codePoint) {
  if (bytes == nullptr || length <= 0) return 0;
  const zel::platform::Utf8Sequence sequence =
      zel::platform::DecodeUtf8Sequence(reinterpret_cast<const unsigned char*>(bytes), length);
  codePoint = sequence.codePoint;
  return sequence.length;
}

}  // namespace vesku
