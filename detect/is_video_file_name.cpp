#include "detect/is_video_file_name.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "detect/file_extension.h"

namespace zel {
namespace {

constexpr std::array<std::u16string_view, 10> kVideoExtensions = {
    u".mp4", u".avi", u".mov", u".mkv", u".webm", u".wmv", u".m4v", u".3gp", u".mpg", u".mpeg"};

}  // namespace

bool IsVideoFileName(const std::u16string& name) {
  const std::u16string extension = LowerCaseExtension(name);
  return std::find(kVideoExtensions.begin(), kVideoExtensions.end(), extension) !=
         kVideoExtensions.end();
}

}  // namespace zel
