#include "client/picture/picture_format.h"

namespace zel::picture {

std::optional<PictureFormat> ParsePictureFormat(std::string_view text) {
  if (text == "png") return PictureFormat::kPng;
  if (text == "ppm") return PictureFormat::kPpm;
  if (text == "bmp") return PictureFormat::kBmp;
  return std::nullopt;
}

std::string FileExtension(PictureFormat format, bool opaque) {
  switch (format) {
    case PictureFormat::kPng:
      return ".png";
    case PictureFormat::kPpm:
      // Plain PPM has no alpha channel; PAM is its netpbm sibling that has one.
      return opaque ? ".ppm" : ".pam";
    case PictureFormat::kBmp:
      return ".bmp";
  }
  return ".png";
}

}  // namespace zel::picture
