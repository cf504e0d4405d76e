// Guard policies for the PDF library's objects: each releases its object with the library's own
// call, so every path out of a render closes what it opened.
#pragma once

#include "pdfium/fpdfview.h"
#include "util/base_guard.h"

namespace vesku {

struct PdfDocGuardImpl {
  using Resource = FPDF_DOCUMENT;
  static void Close(Resource document) noexcept { FPDF_CloseDocument(document); }
};

struct PdfPageGuardImpl {
  using Resource = FPDF_PAGE;
  static void Close(Resource page) noexcept { FPDF_ClosePage(page); }
};

struct PdfBitmapGuardImpl {
  using Resource = FPDF_BITMAP;
  static void Close(Resource bitmap) noexcept { FPDFBitmap_Destroy(bitmap); }
};

}  // namespace vesku
