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

// The first page's text in reading order (pdftotext's default mode, which puts right-to-left
// text back into the order it is read in), without the embedding marks it puts around
// right-to-left runs.
std::string PdfReadingText(const Bytes& pdf);

struct PdfGlyph {
  std::string text;   // what the glyph stands for, UTF-8
  std::string glyph;  // the font's name for the glyph, or its number where the font names none
  std::string font;
  double x, y;     // origin, points, from the page's bottom-left corner
  double advance;  // points
};

// Every glyph drawn on the first page, in drawing order, as MuPDF's mutool trace reports them.
std::vector<PdfGlyph> PdfGlyphs(const Bytes& pdf);

// Whether the poppler tools are there; the tests that need them skip otherwise.
bool HavePdfToText();

// Whether MuPDF's command-line tool is there, likewise.
bool HaveMutool();

}  // namespace zel::test
