#include "documents/pdf_text_writer.h"

#include <algorithm>

#include "documents/cjk_fonts.h"
#include "documents/hpdf_truetype.h"
#include "documents/system_font.h"
#include "util/strings.h"

namespace zel {
namespace {

constexpr double kPointsPerMm = 2.8346;
constexpr float kMargin = 28.346f;  // 10 mm
constexpr float kLinePitch = 1.5f;  // times the paragraph's size
constexpr char kTextEncoding[] = "UTF-8";
// The built-in stand-in font takes no multi-byte encoding; Windows-1252 covers Western text.
constexpr char kFallbackFont[] = "Helvetica";
constexpr char kFallbackEncoding[] = "WinAnsiEncoding";

// Windows-1252 bytes 0x80 to 0x9F and the characters they stand for (0 where unassigned).
constexpr char16_t kWinAnsiHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char ToWinAnsi(uint32_t codePoint) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    return static_cast<char>(codePoint);
  }
  for (int i = 0; i < 32; ++i) {
    if (kWinAnsiHigh[i] != 0 && kWinAnsiHigh[i] == codePoint) return static_cast<char>(0x80 + i);
  }
  return '?';
}

std::string Utf8ToWinAnsi(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    uint32_t codePoint = 0;
    const int used =
        vesku::DecodeUtf8(text.data() + at, static_cast<int32_t>(text.size() - at), codePoint);
    if (used <= 0) break;
    out.push_back(ToWinAnsi(codePoint));
    at += static_cast<size_t>(used);
  }
  return out;
}

}  // namespace

bool PdfTextWriter::Create(int32_t widthMm, int32_t heightMm) {
  Close();
  pdfDoc_ = HPDF_New(nullptr, nullptr);
  if (pdfDoc_ == nullptr) return false;
  if (HPDF_UseUTFEncodings(pdfDoc_) != HPDF_OK) return false;
  pdfPage_ = HPDF_AddPage(pdfDoc_);
  if (pdfPage_ == nullptr) return false;
  if (HPDF_Page_SetWidth(pdfPage_, static_cast<HPDF_REAL>(widthMm * kPointsPerMm)) != HPDF_OK ||
      HPDF_Page_SetHeight(pdfPage_, static_cast<HPDF_REAL>(heightMm * kPointsPerMm)) != HPDF_OK) {
    return false;
  }
  const float width = HPDF_Page_GetWidth(pdfPage_);
  const float height = HPDF_Page_GetHeight(pdfPage_);
  cursor_ = kMargin;
  leftMargin_ = kMargin;
  rightLimit_ = width - kMargin;
  bottomLimit_ = height - kMargin;
  pageHeight_ = height;

  int32_t sizeTenths = 100;
  std::vector<uint8_t> fontBytes;
  GetSystemMessageFont(systemFontFace_, sizeTenths, fontBytes);
  const char* name = nullptr;
  if (!fontBytes.empty()) {
    name = HPDF_LoadTTFontFromMemory(pdfDoc_, fontBytes.data(),
                                     static_cast<HPDF_UINT>(fontBytes.size()), HPDF_TRUE);
    if (name == nullptr) HPDF_ResetError(pdfDoc_);
  }
  baseFontName_ = name != nullptr ? name : kFallbackFont;
  singleByteBase_ = name == nullptr;
  baseFont_ = HPDF_GetFont(pdfDoc_, baseFontName_.c_str(),
                           singleByteBase_ ? kFallbackEncoding : kTextEncoding);
  currentFont_ = baseFont_;
  baseSize_ = static_cast<int32_t>(sizeTenths * 1.5 / 10);
  if (baseFont_ == nullptr) return false;
  fonts_[kScriptNeutral] = baseFont_;
  fonts_[kScriptOther] = baseFont_;
  // Every paragraph sets its own size; this only gives the page a font from the start.
  HPDF_Page_SetFontAndSize(pdfPage_, baseFont_, static_cast<HPDF_REAL>(sizeTenths));
  return true;
}

bool PdfTextWriter::AddParagraph(DocumentParagraph& paragraph) {
  std::string& text = paragraph.paragraphText;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());

  int32_t size = baseSize_;
  switch (paragraph.level) {
    case 1:
      size = baseSize_ * 3;
      break;
    case 2:
      size = baseSize_ * 2;
      break;
    case 3:
      size = static_cast<int32_t>(baseSize_ * 1.5);
      break;
    case 4:
      text.insert(0, "    ");
      size = static_cast<int32_t>(baseSize_ * 1.5);
      break;
    case 5:
      text.insert(0, "        ");
      size = static_cast<int32_t>(baseSize_ * 1.5);
      break;
    default:
      break;
  }

  analyser_ = AnalyseScript(text);
  if (analyser_.hasRightToLeft) text = ToVisualOrder(analyser_, true);
  if (singleByteBase_) {
    // Without an embedded font there is nothing to set CJK text in either: one font, one byte
    // per character.
    text = Utf8ToWinAnsi(text);
    analyser_.textClass = std::min(analyser_.textClass, kScriptOther);
  }
  // Space before a paragraph set larger than the one before it.
  if (previousSize_ < size) cursor_ += static_cast<float>((size - previousSize_) / 2);

  HPDF_Page_BeginText(pdfPage_);
  currentSize_ = size;
  HPDF_Page_SetFontAndSize(pdfPage_, currentFont_, static_cast<HPDF_REAL>(size));
  if (analyser_.rightToLeftMajority) {
    LayOutRightToLeft(text);
  } else {
    LayOutLines(text);
  }
  HPDF_Page_EndText(pdfPage_);
  previousSize_ = size;
  return true;
}

void PdfTextWriter::LayOutLines(std::string& text) {
  char* rest = text.data();
  size_t remaining = text.size();
  const float width = rightLimit_ - leftMargin_;
  while (static_cast<float>(currentSize_) + cursor_ <= bottomLimit_) {
    size_t fit = Measure(rest, remaining, width);
    // Not even the first word fits: keep halving what is left until a part does. The rest of
    // the paragraph is given up; only whole characters are kept.
    while (fit == 0 && remaining > 0 && rest[0] != '\0') {
      remaining = CharacterBoundary(rest, remaining / 2);
      rest[remaining] = '\0';
      fit = Measure(rest, remaining, width);
    }
    const char saved = rest[fit];
    rest[fit] = '\0';
    Draw(rest, fit, {leftMargin_, pageHeight_ - cursor_, rightLimit_, bottomLimit_});
    rest[fit] = saved;
    cursor_ += static_cast<float>(currentSize_) * kLinePitch;
    if (saved == '\0' || fit >= remaining) return;
    rest += fit;
    remaining -= fit;
  }
}

// Lines are taken from the end of the visual string, which holds the start of the paragraph,
// and set flush left. Each line is measured as it is drawn, so it never starts inside a word
// that would fit whole, nor inside a character.
void PdfTextWriter::LayOutRightToLeft(std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<float>(currentSize_) + cursor_ <= bottomLimit_) {
    const size_t start = RightToLeftLineStart(text, end);
    if (start == end) return;
    segments_.clear();
    const char saved = text[end];
    text[end] = '\0';
    Draw(text.data() + start, end - start,
         {leftMargin_, pageHeight_ - cursor_, rightLimit_, bottomLimit_});
    text[end] = saved;
    cursor_ += static_cast<float>(currentSize_) * kLinePitch;
    end = start;
  }
}

size_t PdfTextWriter::RightToLeftLineStart(std::string& text, size_t end) {
  const float width = rightLimit_ - leftMargin_;
  const auto fits = [&](size_t start) {
    std::string part = text.substr(start, end - start);
    return Measure(part.data(), part.size(), width) == part.size();
  };
  size_t best = end;
  for (size_t at = end; at > 0;) {
    size_t wordStart = at - 1;
    while (wordStart > 0 && text[wordStart - 1] != ' ') --wordStart;
    if (!fits(wordStart)) break;
    best = at = wordStart;
  }
  if (best != end) return best;
  // A word wider than the line: as many whole characters as fit.
  for (size_t at = end; at > 0;) {
    const size_t characterStart = CharacterBoundary(text.data(), at - 1);
    if (!fits(characterStart)) break;
    best = at = characterStart;
  }
  return best;
}

size_t PdfTextWriter::CharacterBoundary(const char* text, size_t length) const {
  if (singleByteBase_) return length;
  while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  return length;
}

void PdfTextWriter::UseBaseFont() {
  if (currentFont_ == baseFont_) return;
  currentFont_ = baseFont_;
  HPDF_Page_SetFontAndSize(pdfPage_, baseFont_, static_cast<HPDF_REAL>(currentSize_));
}

size_t PdfTextWriter::Measure(char* text, size_t length, float width) {
  if (MultiFont()) return MeasureSegments(text, length, width);
  UseBaseFont();
  HPDF_REAL realWidth = 0;
  return HPDF_Page_MeasureText(pdfPage_, text, width, HPDF_TRUE, &realWidth);
}

void PdfTextWriter::Draw(char* text, size_t length, const Line& line) {
  if (MultiFont()) {
    DrawSegments(text, length, line);
    return;
  }
  UseBaseFont();
  HPDF_Page_TextRect(pdfPage_, line.left, line.top, line.right, line.bottom, text, HPDF_TALIGN_LEFT,
                     nullptr);
}

void PdfTextWriter::SelectFont(int scriptClass) {
  if (!cjkResourcesLoaded_) {
    cjkResourcesLoaded_ = true;
    HPDF_UseJPEncodings(pdfDoc_);
    HPDF_UseJPFonts(pdfDoc_);
    HPDF_UseKREncodings(pdfDoc_);
    HPDF_UseKRFonts(pdfDoc_);
    HPDF_UseCNSEncodings(pdfDoc_);
    HPDF_UseCNSFonts(pdfDoc_);
    HPDF_UseCNTEncodings(pdfDoc_);
    HPDF_UseCNTFonts(pdfDoc_);
  }
  const size_t index = scriptClass >= 0 && scriptClass < kScriptClassCount
                           ? static_cast<size_t>(scriptClass)
                           : static_cast<size_t>(kScriptOther);
  HPDF_Font font = fonts_[index];
  if (font == nullptr) {
    font = LoadCjkFont(scriptClass);
    if (font == nullptr) {
      // No usable font for this script: the base font stands in for the rest of the document.
      HPDF_ResetError(pdfDoc_);
      font = baseFont_;
    }
    fonts_[index] = font;
  }
  currentFont_ = font;
  HPDF_Page_SetFontAndSize(pdfPage_, font, static_cast<HPDF_REAL>(currentSize_));
}

HPDF_Font PdfTextWriter::LoadCjkFont(int scriptClass) {
  for (const CjkFontFile& file : CjkFontCandidates(scriptClass)) {
    const char* name =
        file.isCollection
            ? HPDF_LoadTTFontFromFile2(pdfDoc_, file.path.c_str(),
                                       static_cast<HPDF_UINT>(file.collectionIndex), HPDF_TRUE)
            : HPDF_LoadTTFontFromFile(pdfDoc_, file.path.c_str(), HPDF_TRUE);
    if (name != nullptr) {
      // The text is UTF-8 whatever its script, so every font gets the UTF-8 encoder.
      if (HPDF_Font font = HPDF_GetFont(pdfDoc_, name, kTextEncoding)) return font;
    }
    HPDF_ResetError(pdfDoc_);
  }
  return nullptr;
}

size_t PdfTextWriter::MeasureSegments(char* text, size_t length, float width) {
  segments_.clear();
  size_t fitting = 0;
  size_t position = 0;
  while (auto segment = NextSegment(text, length, position)) {
    SelectFont(segment->scriptClass);
    std::string part(text + segment->start, segment->length);
    HPDF_REAL segmentWidth = 0;
    size_t fit = HPDF_Page_MeasureText(pdfPage_, part.c_str(), width, HPDF_TRUE, &segmentWidth);
    for (size_t cut = part.size(); fit == 0 && cut > 0;) {
      cut = CharacterBoundary(part.data(), cut / 2);
      part[cut] = '\0';
      fit = HPDF_Page_MeasureText(pdfPage_, part.c_str(), width, HPDF_TRUE, &segmentWidth);
    }
    segment->width = segmentWidth;
    segments_.push_back(*segment);
    fitting += fit;
    // The line ends inside this segment: what follows belongs to the next line.
    if (fit < segment->length) break;
    width -= segmentWidth;
  }
  return fitting;
}

void PdfTextWriter::DrawSegments(char* text, size_t length, const Line& line) {
  if (segments_.empty()) MeasureSegments(text, length, line.right - line.left);
  float x = line.left;
  size_t position = 0;
  size_t recorded = 0;
  while (auto segment = NextSegment(text, length, position)) {
    SelectFont(segment->scriptClass);
    const std::string part(text + segment->start, segment->length);
    HPDF_Page_TextRect(pdfPage_, x, line.top, line.right, line.bottom, part.c_str(),
                       HPDF_TALIGN_LEFT, nullptr);
    if (recorded >= segments_.size()) return;
    x += segments_[recorded++].width;
    if (x >= line.right) return;
  }
}

bool PdfTextWriter::Save(std::vector<uint8_t>& output) {
  MarkCompositeGlyphComponents(pdfDoc_);
  if (HPDF_SaveToStream(pdfDoc_) != HPDF_OK) return false;
  HPDF_UINT32 size = HPDF_GetStreamSize(pdfDoc_);
  output.resize(size);
  return HPDF_ReadFromStream(pdfDoc_, output.data(), &size) == HPDF_OK;
}

void PdfTextWriter::Close() {
  if (pdfDoc_ != nullptr) HPDF_Free(pdfDoc_);
  pdfDoc_ = nullptr;
  pdfPage_ = nullptr;
  currentFont_ = nullptr;
  baseFont_ = nullptr;
  fonts_ = {};
  segments_.clear();
  segments_.shrink_to_fit();
  analyser_ = {};
  previousSize_ = 0;
  currentSize_ = 0;
  cjkResourcesLoaded_ = false;
  singleByteBase_ = false;
}

}  // namespace zel
