// The file formats pictures are saved in, and the names of their files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zel::picture {

enum class PictureFormat {
  kPng,  // deflate-compressed at a fast setting; RGB when opaque, RGBA otherwise
  kPpm,  // uncompressed netpbm: P6 (.ppm) when opaque, P7 RGB_ALPHA (.pam) otherwise
  kBmp,  // uncompressed: 24 bits per pixel when opaque, 32 with an alpha mask otherwise
};

// "png", "ppm" or "bmp"; nothing for any other text.
std::optional<PictureFormat> ParsePictureFormat(std::string_view text);

// The file name extension, dot included, of a picture in `format`.
std::string FileExtension(PictureFormat format, bool opaque);

}  // namespace zel::picture
