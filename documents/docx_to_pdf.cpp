#include "documents/docx_to_pdf.h"

#include <stdexcept>

#include "documents/docx_reader.h"
#include "documents/pdf_text_writer.h"

namespace zel {
namespace {

// More paragraphs than this never fit on one page at any size the writer uses.
constexpr size_t kMaxParagraphs = 501;

}  // namespace

void DocxToPdf(const uint8_t* data, int32_t size, const std::u16string& tempFolder,
               std::vector<uint8_t>& output) {
  DocxDocument document;
  ParseDocumentXml(ExtractDocumentXml(data, size, tempFolder), document);
  PdfTextWriter writer;
  if (!writer.Create(document.pageWidthMm, document.pageHeightMm)) {
    throw std::runtime_error("Can't create PDF");
  }
  const size_t count = std::min(document.paragraphs.size(), kMaxParagraphs);
  for (size_t i = 0; i < count; ++i) writer.AddParagraph(document.paragraphs[i]);
  if (!writer.Save(output)) throw std::runtime_error("Can't save PDF");
}

}  // namespace zel
