// Owners of the library's core records that Magick++ does not wrap: an exception record and an
// image list, released on every path.
#pragma once

#include <Magick++.h>

#include <memory>

namespace zel::magick {

struct ExceptionDeleter {
  void operator()(MagickCore::ExceptionInfo* exception) const {
    MagickCore::DestroyExceptionInfo(exception);
  }
};
using ExceptionGuard = std::unique_ptr<MagickCore::ExceptionInfo, ExceptionDeleter>;

inline ExceptionGuard AcquireException() {
  return ExceptionGuard(MagickCore::AcquireExceptionInfo());
}

struct ImageListDeleter {
  void operator()(MagickCore::Image* list) const { MagickCore::DestroyImageList(list); }
};
using ImageListGuard = std::unique_ptr<MagickCore::Image, ImageListDeleter>;

}  // namespace zel::magick
