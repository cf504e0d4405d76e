// Reads the running text, heading styles and page size of a Word (DOCX) document: the zip
// container's word/document.xml, parsed as XML. Tables, images, lists and formatting are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "documents/docx_document.h"

namespace tinyxml2 {
class XMLElement;
}

namespace zel {

// The complete contents of word/document.xml. The zip library opens files by path, so the bytes
// pass through a randomly named file in `tempFolder`, deleted on every path. Throws
// std::runtime_error "Failed to open docx file as zip.", "document.xml not found in docx." or, as
// soon as the inflated text passes kMaxDocumentXml bytes, "document.xml too large in docx.";
// CRpcException "RpcException.UuidToString: Failed", or the file writer's errors.
std::string ExtractDocumentXml(const uint8_t* data, int32_t size, const std::u16string& tempFolder);

// The most text word/document.xml may inflate to. Long documents stay well below it; a container
// whose small entry inflates to gigabytes does not, and is refused before it is held in memory.
inline constexpr size_t kMaxDocumentXml = size_t{32} << 20;

// Fills `document` (whose page size the caller has preset) from the XML text. Throws
// std::runtime_error "Failed to parse document.xml as XML." or "Invalid XML.", and the standard
// conversion errors for a page size that is not a number.
void ParseDocumentXml(const std::string& xml, DocxDocument& document);

// Appends the paragraph of one w:p element, unless it has no child element at all.
void ReadParagraph(const tinyxml2::XMLElement& paragraph, DocxDocument& document);

// The style class of a paragraph style identifier (exact, case-sensitive), 0 for unknown styles.
int32_t StyleLevel(const std::string& styleId);

}  // namespace zel
