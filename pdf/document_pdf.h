// Word documents and plain text have no page of their own: both the preview and the size report
// lay them out into a one-page PDF first, so they show and measure the same page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

// True for the MIME types that are laid out into a PDF (DOCX and plain text).
bool IsLaidOutDocument(const std::string& mimeType);

// Lays out a DOCX or plain-text file into `pdf`. The converters' exceptions pass unchanged.
void LayOutDocumentAsPdf(const uint8_t* data, int32_t size, const std::string& mimeType,
                         std::vector<uint8_t>& pdf);

}  // namespace zel
