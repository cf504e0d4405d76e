#include "pdf/first_pdf_page.h"

#include <limits>
#include <mutex>
#include <stdexcept>

#include "detect/mime_types.h"
#include "pdf/bmp_file_image.h"
#include "pdf/page_geometry.h"
#include "pdf/pdf_guards.h"
#include "pdf/pdf_library_lock.h"
#include "util/request_deadline.h"

namespace zel {
namespace {

constexpr FPDF_DWORD kWhite = 0xFFFFFFFF;
constexpr FPDF_DWORD kDarkFrame = 0xA0A0A0A0;
constexpr FPDF_DWORD kLightFrame = 0xB0B0B0B0;

[[noreturn]] void CantOpen() { throw std::runtime_error("Can't open pdf"); }

// The document and its first page, opened while the caller holds the PDF library lock. Members
// are destroyed in reverse order, so the page is closed before the document.
struct FirstPage {
  vesku::CBaseGuard<vesku::PdfDocGuardImpl> document;
  vesku::CBaseGuard<vesku::PdfPageGuardImpl> page;
  PdfPageGeometry geometry;
};

void LoadFirstPage(const uint8_t* data, uint32_t size, FirstPage& first) {
  // The library takes a signed size; a larger file cannot be handed to it.
  if (size > static_cast<uint32_t>(std::numeric_limits<int>::max())) CantOpen();
  first.document.Reset(FPDF_LoadMemDocument(data, static_cast<int>(size), nullptr));
  if (!first.document) CantOpen();
  first.page.Reset(FPDF_LoadPage(first.document.Get(), 0));
  if (!first.page) CantOpen();
  first.geometry = ComputePageGeometry(first.page.Get());
}

void PaintFrame(FPDF_BITMAP bitmap, const PdfPageGeometry& g) {
  FPDFBitmap_FillRect(bitmap, 0, 0, g.fullWidth, g.marginY, kDarkFrame);
  FPDFBitmap_FillRect(bitmap, 0, 0, g.marginX, g.fullHeight, kDarkFrame);
  // The lighter bottom and right bands go last and so own the shared corners.
  FPDFBitmap_FillRect(bitmap, 0, g.marginY + g.height, g.fullWidth, g.marginY, kLightFrame);
  FPDFBitmap_FillRect(bitmap, g.marginX + g.width, 0, g.marginX, g.fullHeight, kLightFrame);
}

}  // namespace

void MeasureFirstPdfPage(const uint8_t* data, uint32_t size, ImageSummary& summary) {
  std::lock_guard<std::mutex> lock(PdfLibraryLock());
  FirstPage first;
  LoadFirstPage(data, size, first);
  summary.width = first.geometry.fullWidth;
  summary.height = first.geometry.fullHeight;
}

std::pair<const uint8_t*, int32_t> RenderFirstPdfPage(const uint8_t* data, uint32_t size,
                                                      std::string& mimeType,
                                                      std::vector<uint8_t>& storage) {
  std::lock_guard<std::mutex> lock(PdfLibraryLock());
  FirstPage first;
  LoadFirstPage(data, size, first);
  const PdfPageGeometry& g = first.geometry;
  // The whole file image must be describable by a signed 32-bit size.
  const int64_t pixelBytes = int64_t{g.fullWidth} * g.fullHeight * 4;
  if (pixelBytes > std::numeric_limits<int32_t>::max() - int64_t{kBmpHeadersSize}) CantOpen();

  vesku::CBaseGuard<vesku::PdfBitmapGuardImpl> bitmap(
      FPDFBitmap_Create(g.fullWidth, g.fullHeight, 0));
  if (!bitmap) CantOpen();
  FPDFBitmap_FillRect(bitmap.Get(), 0, 0, g.fullWidth, g.fullHeight, kWhite);
  FPDF_RenderPageBitmap(bitmap.Get(), first.page.Get(), g.marginX, g.marginY, g.width, g.height, 0,
                        FPDF_ANNOT);
  // A page whose drawing the request's time limit cut short is no picture of the page.
  vesku::ThrowIfPastDeadline();
  PaintFrame(bitmap.Get(), g);

  // Built aside and swapped in, so a failed allocation leaves the caller's storage as it was.
  std::vector<uint8_t> image = MakeBmpFileImage(
      g.fullWidth, g.fullHeight, static_cast<const uint8_t*>(FPDFBitmap_GetBuffer(bitmap.Get())));
  storage.swap(image);
  mimeType = kMimeBmp;

  bitmap.Reset();
  first.page.Reset();
  first.document.Reset();
  return {storage.data(), static_cast<int32_t>(storage.size())};
}

}  // namespace zel
