#include "client/command/png_frames.h"

#include <Magick++.h>

namespace zel::client {

void WritePng(const Frame& frame, const std::string& path) {
  Magick::Image image(static_cast<size_t>(frame.width), static_cast<size_t>(frame.height), "BGRA",
                      Magick::CharPixel, frame.bgra.data());
  image.magick("PNG");
  image.write(path);
}

}  // namespace zel::client
