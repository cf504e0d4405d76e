// Documents cannot go to the image pipeline directly: this turns a PDF, a Word document or a
// plain-text file into a BMP picture of its first page and hands every other file back untouched,
// so callers decode whatever comes out.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zel {

// Returns the bytes to decode: `storage` holding the BMP picture of a document's first page (and
// `mimeType` set to "image/bmp"), or {data, size} unchanged for anything else. The caller keeps
// both `data` and `storage` alive while it uses the result. The converters' and the renderer's
// errors pass through unchanged. A DOCX passes through a temporary file in `tempFolder`.
std::pair<const uint8_t*, int32_t> RenderDocumentPreview(const uint8_t* data, int32_t size,
                                                         std::string& mimeType,
                                                         const std::u16string& tempFolder,
                                                         std::vector<uint8_t>& storage);

}  // namespace zel
