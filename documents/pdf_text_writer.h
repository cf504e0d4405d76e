// Lays paragraphs of text out on one PDF page: the system's message font (CJK fonts, and fonts
// of the machine found by coverage, where the text needs them), sizes by paragraph style, lines
// wrapped at word boundaries (between characters in CJK text), 10 mm margins.
// What does not fit on the page is dropped, since only the first page is ever shown.
#pragma once

#include <hpdf.h>

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "documents/docx_document.h"
#include "documents/script_analysis.h"

namespace zel {

class PdfTextWriter {
 public:
  PdfTextWriter() = default;
  ~PdfTextWriter() { Close(); }
  PdfTextWriter(const PdfTextWriter&) = delete;
  PdfTextWriter& operator=(const PdfTextWriter&) = delete;

  // Starts the document and its one page and picks the base font; false when the library refuses
  // (a page size it does not accept among other things).
  bool Create(int32_t widthMm, int32_t heightMm);

  // Lays out one paragraph below the previous ones; a full page places nothing more. The
  // paragraph's text is changed on the way.
  bool AddParagraph(DocumentParagraph& paragraph);

  // The finished document's bytes in `output`; false when the library reports an error (any
  // error recorded while laying out makes saving fail).
  bool Save(std::vector<uint8_t>& output);

  void Close();

 private:
  struct Line {
    float left, top, right, bottom;
  };
  // Bytes of a measured or drawn text that one font sets.
  struct FontRun {
    size_t start = 0;
    size_t length = 0;
    HPDF_Font font = nullptr;
  };

  // The largest length up to `length` that does not end inside a character.
  size_t CharacterBoundary(const char* text, size_t length) const;
  void UseBaseFont();
  void UseFont(HPDF_Font font);
  // The font of a script class, loaded on first use (the base font where none can be).
  HPDF_Font ScriptFont(int scriptClass);
  HPDF_Font LoadFontFile(const std::string& path, int collectionIndex, bool isCollection);
  HPDF_Font LoadCjkFont(int scriptClass);
  bool Covers(HPDF_Font font, uint32_t codePoint) const;
  bool BaseFontCoversAll(const std::string& text) const;
  HPDF_Font CoveringFont(uint32_t codePoint);
  std::vector<FontRun> SplitIntoFontRuns(const char* text, size_t length);
  std::string RunBytes(const char* text, const FontRun& run) const;
  float TextWidth(HPDF_Font font, const std::string& bytes) const;
  size_t Measure(char* text, size_t length, float width);
  size_t MeasureFontRuns(const char* text, size_t length, float width);
  void Draw(char* text, size_t length, const Line& line);
  void DrawFontRuns(const char* text, size_t length, const Line& line);
  void LayOutLines(std::string& text);
  void LayOutRightToLeft(std::string& text);
  size_t RightToLeftLineStart(std::string& text, size_t end);

  HPDF_Doc pdfDoc_ = nullptr;
  HPDF_Page pdfPage_ = nullptr;
  HPDF_Font currentFont_ = nullptr;
  HPDF_Font baseFont_ = nullptr;
  float cursor_ = 0;
  float leftMargin_ = 0;
  float rightLimit_ = 0;
  float bottomLimit_ = 0;
  float pageHeight_ = 0;
  std::u16string systemFontFace_;
  std::string baseFontName_;
  int32_t baseSize_ = 0;
  int32_t previousSize_ = 0;
  int32_t currentSize_ = 0;
  ScriptAnalysis analyser_;
  std::array<HPDF_Font, kScriptClassCount> fonts_{};
  // The paragraph needs more than the base font: CJK text, or characters the base font lacks.
  bool multiFont_ = false;
  // Fonts found for characters that no script font of the paragraph covers, and the choice made
  // for each such character (null when no font of the machine has it).
  std::vector<HPDF_Font> coveringFonts_;
  std::unordered_map<uint32_t, HPDF_Font> coveringChoice_;
  bool cjkResourcesLoaded_ = false;
  // No system font could be embedded: the built-in Helvetica sets text in Windows-1252.
  bool singleByteBase_ = false;
};

}  // namespace zel
