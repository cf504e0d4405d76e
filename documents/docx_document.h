// What the document writer lays out: paragraphs of UTF-8 text with a style class, and the page
// size of a Word document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

struct DocumentParagraph {
  // Style class (1 title, 2 contents heading, 3 to 5 contents entries), 0 for body text.
  int32_t level = 0;
  // The visible text, UTF-8.
  std::string paragraphText;
};

struct DocxDocument {
  std::vector<DocumentParagraph> paragraphs;
  int32_t pageWidthMm = 210;
  int32_t pageHeightMm = 297;
};

}  // namespace zel
