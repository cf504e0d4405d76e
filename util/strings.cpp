#include "util/strings.h"

#include <limits>

#include "platform/error_codes.h"
#include "util/exceptions.h"

namespace vesku {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

std::string NarrowOrEmpty(const std::u16string& wide, uint32_t codePage) {
  if (wide.empty() || wide.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return {};
  }
  std::vector<char> bytes;
  try {
    ToNarrow(wide.data(), static_cast<int32_t>(wide.size()), codePage, bytes);
  } catch (const std::exception&) {
    return {};
  }
  return std::string(bytes.data());
}

}  // namespace

void EnsureTrailingSeparator(std::u16string& path, char16_t separator) {
  if (!path.empty() && IsSeparator(path.back())) {
    path.back() = separator;
  } else {
    path.push_back(separator);
  }
}

std::u16string WithTrailingSeparator(const std::u16string& path, char16_t separator) {
  std::u16string result = path;
  EnsureTrailingSeparator(result, separator);
  return result;
}

std::u16string JoinPath(const std::u16string& folder, const std::u16string& name) {
  return folder + name;
}

void ToNarrow(const char16_t* wide, int32_t length, uint32_t codePage, std::vector<char>& out) {
  namespace platform = zel::platform;
  if (length == 0) return;
  if (length < 0) throw CWinException("Convert.Fails", platform::kErrorInvalidParameter);
  // One byte per unit is enough for ASCII text, the common case; only a longer result needs the
  // size query and a second pass.
  const int32_t firstSize = length == std::numeric_limits<int32_t>::max() ? length : length + 1;
  out.assign(static_cast<size_t>(firstSize), '\0');
  int32_t written = 0;
  int32_t error = platform::WideToNarrow(codePage, wide, length, out.data(), firstSize, written);
  if (error == platform::kErrorInsufficientBuffer) {
    int32_t needed = 0;
    if (platform::WideToNarrow(codePage, wide, length, nullptr, 0, needed) != 0 || needed == 0 ||
        needed == std::numeric_limits<int32_t>::max()) {
      throw CWinException("Convert.Fails", platform::kErrorInsufficientBuffer);
    }
    out.assign(static_cast<size_t>(needed) + 1, '\0');
    error = platform::WideToNarrow(codePage, wide, length, out.data(), needed + 1, written);
  }
  if (error != 0) throw CWinException("Convert.Fails", error);
  out.resize(static_cast<size_t>(written) + 1);
  out[static_cast<size_t>(written)] = '\0';
}

std::string ToUtf8(const std::u16string& wide) { return NarrowOrEmpty(wide, kCodePageUtf8); }

std::string ToAnsi(const std::u16string& wide) { return NarrowOrEmpty(wide, kCodePageAnsi); }

std::u16string ToWide(const std::string& narrow, uint32_t codePage) {
  namespace platform = zel::platform;
  if (narrow.empty() || narrow.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    return {};
  }
  const auto length = static_cast<int32_t>(narrow.size());
  std::u16string wide(static_cast<size_t>(length) + 1, u'\0');
  int32_t written = 0;
  int32_t error =
      platform::NarrowToWide(codePage, narrow.data(), length, wide.data(), length + 1, written);
  if (error == platform::kErrorInsufficientBuffer) {
    int32_t needed = 0;
    if (platform::NarrowToWide(codePage, narrow.data(), length, nullptr, 0, needed) != 0 ||
        needed == 0 || needed == std::numeric_limits<int32_t>::max()) {
      return {};
    }
    wide.assign(static_cast<size_t>(needed) + 1, u'\0');
    error =
        platform::NarrowToWide(codePage, narrow.data(), length, wide.data(), needed + 1, written);
  }
  if (error != 0) return {};
  wide.resize(static_cast<size_t>(written));
  const size_t nul = wide.find(u'\0');
  if (nul != std::u16string::npos) wide.resize(nul);
  return wide;
}

}  // namespace vesku
