// Inputs and inspection tools for the document tests: DOCX containers written through minizip,
// and what poppler's pdftotext reads back from a produced PDF.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zel::test {

using Bytes = std::vector<uint8_t>;

// A zip container holding the given (name, contents) entries, deflated.
Bytes MakeZip(const std::vector<std::pair<std::string, std::string>>& entries);

// A DOCX whose word/document.xml holds `body` inside w:document/w:body.
Bytes MakeDocx(const std::string& body);

// One w:p element with one run of `text` and, when given, the paragraph style `style`.
std::string Paragraph(const std::string& text, const std::string& style = "");

Bytes ToBytes(const std::string& text);

struct PdfWord {
  double xMin, yMin, xMax, yMax;  // points, from the page's top-left corner
  std::string text;
};

// The words on the first page, in reading order, through pdftotext -bbox.
std::vector<PdfWord> PdfWords(const Bytes& pdf);

// The first page's text through pdftotext (raw order, lines ended by line feeds).
std::string PdfText(const Bytes& pdf);

// Whether the poppler tools are there; the tests that need them skip otherwise.
bool HavePdfToText();

}  // namespace zel::test
