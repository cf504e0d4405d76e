#include "detect/file_extension.h"

#include <cwctype>

namespace zel {

std::u16string LowerCaseExtension(const std::u16string& name) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) return {};
  std::u16string extension = name.substr(dot);
  for (char16_t& unit : extension) {
    unit = static_cast<char16_t>(std::towlower(static_cast<wint_t>(unit)));
  }
  return extension;
}

}  // namespace zel
