#include "platform/posix/native_path.h"

#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/text_codec.h"

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
  const int32_t written = WideToNarrow(kCodePageUtf8, units, static_cast<int32_t>(count),
                                       native.data() + start, static_cast<int32_t>(count * 3));
  native.resize(start + static_cast<size_t>(written));
}

// Length of the UTF-8 sequence that starts with `lead`, if it is well-formed.
int32_t SequenceLength(unsigned char lead) {
  return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
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
  const size_t length = std::strlen(name);
  std::u16string wide;
  for (size_t i = 0; i < length;) {
    const auto lead = static_cast<unsigned char>(name[i]);
    const int32_t sequence = SequenceLength(lead);
    char16_t units[2];
    int32_t count = 0;
    if (static_cast<size_t>(sequence) <= length - i) {
      count = NarrowToWide(kCodePageUtf8, name + i, sequence, units, 2);
    }
    // The converter replaces what is ill-formed; only a sequence that converts back to the same
    // bytes is taken as text.
    char back[4];
    if (count > 0 && WideToNarrow(kCodePageUtf8, units, count, back, 4) == sequence &&
        std::memcmp(back, name + i, static_cast<size_t>(sequence)) == 0) {
      wide.append(units, static_cast<size_t>(count));
      i += static_cast<size_t>(sequence);
    } else {
      wide.push_back(static_cast<char16_t>(kEscapeBase + lead));
      ++i;
    }
  }
  return wide;
}

}  // namespace zel::platform
