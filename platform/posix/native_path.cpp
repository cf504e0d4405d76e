#include "platform/posix/native_path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace zel::platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscape(const std::u16string& path, size_t i) {
  return path[i] >= 0xDC80 && path[i] <= 0xDCFF &&
         (i == 0 || path[i - 1] < 0xD800 || path[i - 1] > 0xDBFF);
}

void AppendUtf8(const char16_t* units, size_t count, std::string& native) {
  if (count == 0) return;
  // Three bytes per unit cover every UTF-16 text, so one pass is enough.
  const size_t start = native.size();
  native.resize(start + count * 3);
  int32_t written = 0;
  WideToNarrow(kCodePageUtf8, units, static_cast<int32_t>(count), native.data() + start,
               static_cast<int32_t>(count * 3), written);
  native.resize(start + static_cast<size_t>(written));
}

}  // namespace

bool ToNativePath(const std::u16string& path, std::string& native) {
  native.clear();
  if (path.find(u'\0') != std::u16string::npos ||
      path.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 3)) {
    errno = EINVAL;
    return false;
  }
  size_t runStart = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (!IsEscape(path, i)) continue;
    AppendUtf8(path.data() + runStart, i - runStart, native);
    native.push_back(static_cast<char>(path[i] - kEscapeBase));
    runStart = i + 1;
  }
  AppendUtf8(path.data() + runStart, path.size() - runStart, native);
  return true;
}

void DropTrailingSlashes(std::string& native) {
  while (native.size() > 1 && native.back() == '/') native.pop_back();
}

std::u16string FromNativeName(const char* name) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  const size_t length = std::strlen(name);
  std::u16string wide;
  for (size_t i = 0; i < length;) {
    const Utf8Sequence sequence =
        DecodeUtf8Sequence(bytes + i, static_cast<int32_t>(std::min<size_t>(length - i, 4)));
    if (!sequence.wellFormed) {
      // Only the lead byte is escaped: whatever follows it may start a sequence of its own.
      wide.push_back(static_cast<char16_t>(kEscapeBase + bytes[i]));
      ++i;
      continue;
    }
    const char32_t codePoint = sequence.codePoint;
    if (codePoint >= 0x10000) {
      wide.push_back(static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(codePoint));
    }
    i += static_cast<size_t>(sequence.length);
  }
  return wide;
}

}  // namespace zel::platform
