#include "pdf/render_document_preview.h"

#include "detect/mime_types.h"
#include "pdf/first_pdf_page.h"

namespace zel {

std::pair<const uint8_t*, int32_t> RenderDocumentPreview(const uint8_t* data, int32_t size,
                                                         std::string& mimeType,
                                                         std::vector<uint8_t>& storage) {
  // Word documents and plain text are not laid out into pages by this build; like any other file
  // they go to the image library as they are.
  if (mimeType == kMimePdf) {
    return RenderFirstPdfPage(data, static_cast<uint32_t>(size), mimeType, storage);
  }
  return {data, size};
}

}  // namespace zel
