#include "imaging/named_image.h"

#include "imaging/image_library.h"
#include "platform/path.h"
#include "util/strings.h"

namespace zel {
namespace {

// Long enough for every extension a format is known by; a longer one is no format hint.
constexpr size_t kLongestExtension = 16;

bool IsPlainCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The text after the name's last dot when it is made of ASCII letters and digits only, else
// nothing. A separator after the dot ("dir.d/file") or a bracket suffix ("a.gif[2]") therefore
// gives no extension at all.
std::u16string PlainExtension(const std::u16string& name) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string::npos) return std::u16string();
  const std::u16string extension = name.substr(dot + 1);
  if (extension.empty() || extension.size() > kLongestExtension) return std::u16string();
  for (const char16_t c : extension) {
    if (!IsPlainCharacter(c)) return std::u16string();
  }
  return extension;
}

}  // namespace

std::string FileNameHint(const std::u16string& name) {
  std::u16string fileName = u"source";
  const std::u16string extension = PlainExtension(name);
  if (!extension.empty()) fileName += u"." + extension;
  return vesku::ToUtf8(vesku::JoinPath(ImageTempFolder() + platform::kPathSeparator, fileName));
}

Magick::Image CreateNamedImage(const std::u16string& name) {
  Magick::Image image;
  image.fileName(FileNameHint(name));
  image.quiet(true);
  return image;
}

}  // namespace zel
