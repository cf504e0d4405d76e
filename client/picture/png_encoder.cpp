#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstddef>

#include "client/picture/picture_encoders.h"

namespace zel::picture {

namespace {

// Pictures are written once and looked at; a small file is not worth seconds. Deflate's
// run-length strategy over the "sub" filter is the cheapest setting that still shrinks photos
// and documents well (level 1 of the default strategy spends more time for a larger file).
constexpr int kZlibLevel = 1;
constexpr int kZlibStrategy = Z_RLE;
constexpr int kRowFilter = PNG_FILTER_SUB;
// Larger compression chunks mean fewer IDAT chunks and fewer writes.
constexpr size_t kCompressionBufferSize = 1 << 20;

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Kept apart from the setjmp frame below: its loop variable must not live where longjmp lands.
void WriteRows(png_structp png, const BgraPicture& picture) {
  const size_t stride = static_cast<size_t>(picture.width) * 4;
  for (int32_t y = 0; y < picture.height; ++y) {
    png_write_row(png, picture.pixels + stride * static_cast<size_t>(y));
  }
}

// libpng reports errors by longjmp; nothing with a destructor lives in this frame.
bool Encode(png_structp png, png_infop info, const BgraPicture& picture, bool opaque,
            std::FILE* file) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_compression_level(png, kZlibLevel);
  png_set_compression_strategy(png, kZlibStrategy);
  png_set_compression_buffer_size(png, kCompressionBufferSize);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
  png_write_info(png, info);
  // The rows stay BGRA in memory: libpng swaps to RGB order and, for an opaque picture, drops
  // the fourth byte as it writes.
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);
  WriteRows(png, picture);
  png_write_end(png, info);
  return true;
}

}  // namespace

bool EncodePng(const BgraPicture& picture, bool opaque, std::FILE* file) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  const bool written = info != nullptr && Encode(png, info, picture, opaque, file);
  png_destroy_write_struct(&png, &info);
  return written;
}

}  // namespace zel::picture
