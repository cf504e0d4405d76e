// What the PDFium handles point at in the MuPDF implementation, shared by its source files.
#pragma once

#include <mupdf/fitz.h>

#include <cstdint>
#include <memory>

#include "pdfium/fpdfview.h"

namespace zel::pdfium {

// The process-wide MuPDF context with its locks, or null before FPDF_InitLibrary.
fz_context* BaseContext();

}  // namespace zel::pdfium

// A document owns its own clone of the base context: clones share the resource store and font
// cache (guarded by the base context's locks) but keep their own error state, so different
// documents can be used on different threads at once. Open pages hold a reference, so closing the
// document first does not pull the context from under them.
struct fpdf_document_t__ {
  fz_context* ctx = nullptr;
  fz_document* doc = nullptr;
  int references = 1;
};

struct fpdf_page_t__ {
  fpdf_document_t__* document = nullptr;
  fz_page* page = nullptr;
  fz_rect bounds{};  // in points, the page's rotation applied, top-left origin
};

struct fpdf_bitmap_t__ {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::unique_ptr<uint8_t[]> pixels;
};
