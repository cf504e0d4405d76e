#include "pdf/render_document_preview.h"

#include "pdf/document_pdf.h"
#include "pdf/first_pdf_page.h"

namespace zel {

std::pair<const uint8_t*, int32_t> RenderDocumentPreview(const uint8_t* data, int32_t size,
                                                         std::string& mimeType,
                                                         const std::u16string& tempFolder,
                                                         std::vector<uint8_t>& storage) {
  // A laid-out PDF lives only until its page is rendered.
  const DocumentPdf pdf(data, size, mimeType, tempFolder);
  if (!pdf.isDocument()) return {data, size};
  return RenderFirstPdfPage(pdf.data(), pdf.size(), mimeType, storage);
}

}  // namespace zel
