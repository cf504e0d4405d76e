// Bitmaps: FPDFBitmap_Create, FPDFBitmap_FillRect, FPDFBitmap_GetBuffer, FPDFBitmap_Destroy.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

#include "pdfium/mupdf/mupdf_objects.h"

namespace {

constexpr int kBytesPerPixel = 4;

}  // namespace

extern "C" FPDF_BITMAP FPDFBitmap_Create(int width, int height, int alpha) {
  // Only the opaque BGRx form is implemented; an alpha bitmap is refused rather than faked.
  if (alpha != 0 || width <= 0 || height <= 0 || width > INT_MAX / kBytesPerPixel) return nullptr;
  const int stride = width * kBytesPerPixel;
  const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
  auto* bitmap = new (std::nothrow) fpdf_bitmap_t__;
  if (bitmap == nullptr) return nullptr;
  bitmap->pixels.reset(new (std::nothrow) uint8_t[bytes]);
  if (!bitmap->pixels) {
    delete bitmap;
    return nullptr;
  }
  bitmap->width = width;
  bitmap->height = height;
  bitmap->stride = stride;
  // Opaque black, so the filler byte is 0xFF from the start.
  for (size_t i = 0; i < bytes; i += kBytesPerPixel) {
    std::memcpy(bitmap->pixels.get() + i, "\0\0\0\xFF", kBytesPerPixel);
  }
  return bitmap;
}

extern "C" FPDF_BOOL FPDFBitmap_FillRect(FPDF_BITMAP bitmap, int left, int top, int width,
                                         int height, FPDF_DWORD color) {
  if (bitmap == nullptr) return 0;
  // 64-bit edges: left + width must not overflow for any int arguments.
  const int64_t x0 = std::max<int64_t>(left, 0);
  const int64_t y0 = std::max<int64_t>(top, 0);
  const int64_t x1 = std::min<int64_t>(int64_t{left} + width, bitmap->width);
  const int64_t y1 = std::min<int64_t>(int64_t{top} + height, bitmap->height);
  if (x0 >= x1 || y0 >= y1) return 1;
  const uint8_t pixel[kBytesPerPixel] = {static_cast<uint8_t>(color),
                                         static_cast<uint8_t>(color >> 8),
                                         static_cast<uint8_t>(color >> 16), 0xFF};
  for (int64_t y = y0; y < y1; ++y) {
    uint8_t* row = bitmap->pixels.get() + y * bitmap->stride;
    for (int64_t x = x0; x < x1; ++x) std::memcpy(row + x * kBytesPerPixel, pixel, kBytesPerPixel);
  }
  return 1;
}

extern "C" void* FPDFBitmap_GetBuffer(FPDF_BITMAP bitmap) {
  return bitmap != nullptr ? bitmap->pixels.get() : nullptr;
}

extern "C" void FPDFBitmap_Destroy(FPDF_BITMAP bitmap) { delete bitmap; }
