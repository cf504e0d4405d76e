#include "platform/uuid.h"

#include <sys/random.h>

#include <cerrno>

namespace zel::platform {

int32_t CreateUuidText(std::u16string& text) {
  uint8_t bytes[16];
  size_t filled = 0;
  while (filled < sizeof(bytes)) {
    const ssize_t got = ::getrandom(bytes + filled, sizeof(bytes) - filled, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    filled += static_cast<size_t>(got);
  }
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kDigits[] = "0123456789abcdef";
  std::u16string result;
  result.reserve(36);
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) result.push_back(u'-');
    result.push_back(static_cast<char16_t>(kDigits[bytes[i] >> 4]));
    result.push_back(static_cast<char16_t>(kDigits[bytes[i] & 0x0F]));
  }
  text = std::move(result);
  return 0;
}

}  // namespace zel::platform
