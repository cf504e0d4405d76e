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

// Raises the library errors (and, unless quiet, warnings) collected in `exception`, then releases
// it. Magick++ destroys the record itself before it throws, so the guard lets go first.
inline void ThrowCollected(ExceptionGuard exception, bool quiet) {
  MagickCore::ExceptionInfo* record = exception.release();
  Magick::throwException(record, quiet);
  MagickCore::DestroyExceptionInfo(record);
}

struct ImageListDeleter {
  void operator()(MagickCore::Image* list) const { MagickCore::DestroyImageList(list); }
};
using ImageListGuard = std::unique_ptr<MagickCore::Image, ImageListDeleter>;

}  // namespace zel::magick
