// Reading every frame of a source through the image library.
#pragma once

#include <Magick++.h>

#include <cstddef>
#include <string>
#include <vector>

namespace zel {

// The frames of the `size` bytes at `data` in file order, converted to sRGB, each with pixels.
// `name` gives the library its format hint; `jpegSize` is the JPEG decoder's size hint ("WxH"),
// or empty for none. A file whose multi-frame read fails is read again for its first frame alone,
// as a still image; an error of that read raises, and so does a read that yields no pixels
// (std::range_error "No image").
std::vector<Magick::Image> ReadFrames(const void* data, size_t size, const std::u16string& name,
                                      const std::string& jpegSize);

}  // namespace zel
