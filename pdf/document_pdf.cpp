#include "pdf/document_pdf.h"

#include "detect/mime_types.h"
#include "documents/docx_to_pdf.h"
#include "documents/text_to_pdf.h"

namespace zel {

DocumentPdf::DocumentPdf(const uint8_t* data, int32_t size, const std::string& mimeType,
                         const std::u16string& tempFolder) {
  if (mimeType == kMimePdf) {
    isDocument_ = true;
    data_ = data;
    size_ = static_cast<uint32_t>(size);
    return;
  }
  if (mimeType == kMimeDocx) {
    DocxToPdf(data, size, tempFolder, laidOut_);
  } else if (mimeType == kMimeText) {
    TextToPdf(data, size, laidOut_);
  } else {
    return;
  }
  isDocument_ = true;
  data_ = laidOut_.data();
  size_ = static_cast<uint32_t>(laidOut_.size());
}

}  // namespace zel
