// Documents and pages: FPDF_LoadMemDocument, FPDF_LoadPage, the page size and closing.
//
// MuPDF reports failures with setjmp/longjmp (fz_try), so the code between fz_try and fz_catch
// holds no object with a destructor, and the locals it assigns are declared with fz_var.
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

#include <new>

#include "pdfium/mupdf/mupdf_objects.h"

namespace {

void IgnoreMessage(void*, const char*) {}

void ReleaseDocument(fpdf_document_t__* document) {
  if (--document->references > 0) return;
  fz_drop_document(document->ctx, document->doc);
  fz_drop_context(document->ctx);
  delete document;
}

// Opens the PDF, or returns null when the bytes are not a readable PDF or the password (if
// needed) is missing or wrong. Damaged files that MuPDF can repair open, as they do in PDFium.
fz_document* OpenPdf(fz_context* ctx, const void* data, int size, const char* password) {
  fz_stream* stream = nullptr;
  pdf_document* pdf = nullptr;
  fz_var(stream);
  fz_var(pdf);
  fz_try(ctx) {
    stream = fz_open_memory(ctx, static_cast<const unsigned char*>(data), size);
    pdf = pdf_open_document_with_stream(ctx, stream);
    if (pdf_needs_password(ctx, pdf) &&
        !pdf_authenticate_password(ctx, pdf, password != nullptr ? password : "")) {
      fz_throw(ctx, FZ_ERROR_GENERIC, "password needed");
    }
    // A document without a readable page tree is of no use to anybody.
    pdf_count_pages(ctx, pdf);
  }
  fz_always(ctx) { fz_drop_stream(ctx, stream); }
  fz_catch(ctx) {
    pdf_drop_document(ctx, pdf);
    return nullptr;
  }
  return &pdf->super;
}

}  // namespace

extern "C" FPDF_DOCUMENT FPDF_LoadMemDocument(const void* data_buf, int size,
                                              FPDF_BYTESTRING password) {
  fz_context* base = zel::pdfium::BaseContext();
  if (base == nullptr || data_buf == nullptr || size <= 0) return nullptr;
  fz_context* ctx = fz_clone_context(base);
  if (ctx == nullptr) return nullptr;
  fz_set_error_callback(ctx, IgnoreMessage, nullptr);
  fz_set_warning_callback(ctx, IgnoreMessage, nullptr);
  fz_document* doc = OpenPdf(ctx, data_buf, size, password);
  auto* document = doc != nullptr ? new (std::nothrow) fpdf_document_t__ : nullptr;
  if (document == nullptr) {
    fz_drop_document(ctx, doc);
    fz_drop_context(ctx);
    return nullptr;
  }
  document->ctx = ctx;
  document->doc = doc;
  return document;
}

extern "C" void FPDF_CloseDocument(FPDF_DOCUMENT document) {
  if (document != nullptr) ReleaseDocument(document);
}

extern "C" FPDF_PAGE FPDF_LoadPage(FPDF_DOCUMENT document, int page_index) {
  if (document == nullptr || page_index < 0) return nullptr;
  fz_context* ctx = document->ctx;
  fz_page* page = nullptr;
  fz_rect bounds{};
  fz_var(page);
  fz_try(ctx) {
    if (page_index >= fz_count_pages(ctx, document->doc)) {
      fz_throw(ctx, FZ_ERROR_GENERIC, "no such page");
    }
    page = fz_load_page(ctx, document->doc, page_index);
    bounds = fz_bound_page(ctx, page);
  }
  fz_catch(ctx) {
    fz_drop_page(ctx, page);
    return nullptr;
  }
  auto* result = new (std::nothrow) fpdf_page_t__;
  if (result == nullptr) {
    fz_drop_page(ctx, page);
    return nullptr;
  }
  ++document->references;
  result->document = document;
  result->page = page;
  result->bounds = bounds;
  return result;
}

extern "C" void FPDF_ClosePage(FPDF_PAGE page) {
  if (page == nullptr) return;
  fz_drop_page(page->document->ctx, page->page);
  ReleaseDocument(page->document);
  delete page;
}

extern "C" double FPDF_GetPageWidth(FPDF_PAGE page) {
  return page != nullptr ? page->bounds.x1 - page->bounds.x0 : 0.0;
}

extern "C" double FPDF_GetPageHeight(FPDF_PAGE page) {
  return page != nullptr ? page->bounds.y1 - page->bounds.y0 : 0.0;
}
