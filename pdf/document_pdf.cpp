#include "pdf/document_pdf.h"

#include "detect/mime_types.h"
#include "documents/docx_to_pdf.h"
#include "documents/text_to_pdf.h"

namespace zel {

bool IsLaidOutDocument(const std::string& mimeType) {
  return mimeType == kMimeDocx || mimeType == kMimeText;
}

void LayOutDocumentAsPdf(const uint8_t* data, int32_t size, const std::string& mimeType,
                         std::vector<uint8_t>& pdf) {
  if (mimeType == kMimeDocx) {
    DocxToPdf(data, size, pdf);
  } else {
    TextToPdf(data, size, pdf);
  }
}

}  // namespace zel
