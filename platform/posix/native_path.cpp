#include "platform/posix/native_path.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/text_codec.h"

namespace zel::platform {

bool ToNativePath(const std::u16string& path, std::string& native) {
  native.clear();
  if (path.find(u'\0') != std::u16string::npos ||
      path.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() / 3)) {
    errno = EINVAL;
    return false;
  }
  if (path.empty()) return true;
  const auto length = static_cast<int32_t>(path.size());
  // Three bytes per unit cover every UTF-16 text, so one pass is enough.
  native.resize(static_cast<size_t>(length) * 3);
  const int32_t written = WideToNarrow(kCodePageUtf8, path.data(), length, native.data(),
                                       static_cast<int32_t>(native.size()));
  native.resize(static_cast<size_t>(written));
  return true;
}

void DropTrailingSlashes(std::string& native) {
  while (native.size() > 1 && native.back() == '/') native.pop_back();
}

std::u16string FromNativeName(const char* name) {
  const size_t length = std::strlen(name);
  if (length == 0 || length > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return {};
  std::u16string wide(length, u'\0');
  const int32_t written = NarrowToWide(kCodePageUtf8, name, static_cast<int32_t>(length),
                                       wide.data(), static_cast<int32_t>(length));
  wide.resize(static_cast<size_t>(written));
  return wide;
}

}  // namespace zel::platform
