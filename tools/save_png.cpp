#include "tools/save_png.h"

#include "util/files.h"

namespace zel {

void SavePng(Magick::Image image, const std::u16string& path) {
  image.magick("PNG");
  Magick::Blob encoded;
  image.write(&encoded);
  vesku::WriteWholeFile(path, encoded.data(), encoded.length());
}

}  // namespace zel
