#include "pdf/render_document_preview.h"

#include "detect/mime_types.h"
#include "pdf/document_pdf.h"
#include "pdf/first_pdf_page.h"

namespace zel {

std::pair<const uint8_t*, int32_t> RenderDocumentPreview(const uint8_t* data, int32_t size,
                                                         std::string& mimeType,
                                                         std::vector<uint8_t>& storage) {
  // Word documents and plain text are laid out into a one-page PDF first; the temporary PDF lives
  // only until its page is rendered.
  if (IsLaidOutDocument(mimeType)) {
    std::vector<uint8_t> pdf;
    LayOutDocumentAsPdf(data, size, mimeType, pdf);
    return RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mimeType, storage);
  }
  if (mimeType == kMimePdf) {
    return RenderFirstPdfPage(data, static_cast<uint32_t>(size), mimeType, storage);
  }
  return {data, size};
}

}  // namespace zel
