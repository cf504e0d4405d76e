// A Word document as a one-page PDF of its first page's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

// The document passes through a temporary file in `tempFolder` (see ExtractDocumentXml). Throws
// the DOCX reader's errors, or std::runtime_error "Can't create PDF" / "Can't save PDF".
void DocxToPdf(const uint8_t* data, int32_t size, const std::u16string& tempFolder,
               std::vector<uint8_t>& output);

}  // namespace zel
