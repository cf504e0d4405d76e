#include "imaging/named_image.h"

#include "imaging/image_library.h"
#include "platform/path.h"
#include "util/strings.h"

namespace zel {

std::string FileNameHint(const std::u16string& name) {
  return vesku::ToUtf8(vesku::JoinPath(ImageTempFolder() + platform::kPathSeparator, name));
}

Magick::Image CreateNamedImage(const std::u16string& name) {
  Magick::Image image;
  image.fileName(FileNameHint(name));
  image.quiet(true);
  return image;
}

}  // namespace zel
