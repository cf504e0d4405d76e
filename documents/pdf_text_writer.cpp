#include "documents/pdf_text_writer.h"

#include <hpdf_font.h>
#include <hpdf_fontdef.h>

#include <algorithm>

#include "documents/arabic_joining.h"
#include "documents/cjk_fonts.h"
#include "documents/combining_marks.h"
#include "documents/hpdf_truetype.h"
#include "documents/line_breaks.h"
#include "documents/system_font.h"
#include "platform/fonts.h"
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
// Fonts of the machine tried, in order, for a character that no font in use has; and how many
// such fonts one document may load (each costs its parsing and its embedded subset).
constexpr size_t kCoveringCandidates = 3;
constexpr size_t kMaxCoveringFonts = 16;
// The PDF library's TrueType fonts map only the Basic Multilingual Plane.
constexpr uint32_t kLastMappable = 0xFFFF;
constexpr uint32_t kReplacement = 0xFFFD;
// A line is measured in pieces of at least this many bytes rather than with the whole rest of its
// paragraph, which may be very long.
constexpr size_t kMeasureWindow = 4096;

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

// Whether Windows-1252 has the character (the built-in font draws nothing else).
bool InWinAnsi(uint32_t codePoint) { return codePoint == '?' || ToWinAnsi(codePoint) != '?'; }

// Control characters have no glyph in any font; no font is looked for them.
bool IsControl(uint32_t codePoint) {
  return codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0);
}

// Calls `visit(codePoint, offset, length)` for every character of `text`, ill-formed bytes
// included (as U+FFFD).
template <typename Visit>
void ForEachCodePoint(const char* text, size_t length, Visit&& visit) {
  for (size_t at = 0; at < length;) {
    uint32_t codePoint = 0;
    const int used = vesku::DecodeUtf8(text + at, static_cast<int32_t>(length - at), codePoint);
    if (used <= 0) break;
    visit(codePoint, at, static_cast<size_t>(used));
    at += static_cast<size_t>(used);
  }
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

  // Letters take their joined forms while the text is still in reading order.
  text = JoinArabicLetters(text);
  analyser_ = AnalyseScript(text);
  if (analyser_.hasRightToLeft) text = ToVisualOrder(analyser_, true);
  multiFont_ = analyser_.textClass > kScriptOther || !BaseFontCoversAll(text);
  // The built-in stand-in font takes one byte per character.
  if (singleByteBase_ && !multiFont_) text = Utf8ToWinAnsi(text);
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

void PdfTextWriter::UseBaseFont() { UseFont(baseFont_); }

void PdfTextWriter::UseFont(HPDF_Font font) {
  if (currentFont_ == font) return;
  currentFont_ = font;
  HPDF_Page_SetFontAndSize(pdfPage_, font, static_cast<HPDF_REAL>(currentSize_));
}

size_t PdfTextWriter::Measure(char* text, size_t length, float width) {
  if (multiFont_) {
    // A window that fits whole may end before the line does: then it grows.
    for (size_t window = kMeasureWindow;; window *= 2) {
      if (window >= length) return MeasureFontRuns(text, length, width);
      const size_t boundary = CharacterBoundary(text, window);
      const size_t piece = boundary > 0 ? boundary : window;
      const size_t fit = MeasureFontRuns(text, piece, width);
      if (fit < piece) return fit;
    }
  }
  UseBaseFont();
  HPDF_REAL realWidth = 0;
  return HPDF_Page_MeasureText(pdfPage_, text, width, HPDF_TRUE, &realWidth);
}

void PdfTextWriter::Draw(char* text, size_t length, const Line& line) {
  if (multiFont_) {
    DrawFontRuns(text, length, line);
    return;
  }
  UseBaseFont();
  HPDF_Page_TextRect(pdfPage_, line.left, line.top, line.right, line.bottom, text, HPDF_TALIGN_LEFT,
                     nullptr);
}

HPDF_Font PdfTextWriter::ScriptFont(int scriptClass) {
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
  return font;
}

HPDF_Font PdfTextWriter::LoadFontFile(const std::string& path, int collectionIndex,
                                      bool isCollection) {
  const char* name =
      isCollection ? HPDF_LoadTTFontFromFile2(pdfDoc_, path.c_str(),
                                              static_cast<HPDF_UINT>(collectionIndex), HPDF_TRUE)
                   : HPDF_LoadTTFontFromFile(pdfDoc_, path.c_str(), HPDF_TRUE);
  // The text is UTF-8 whatever its script, so every font gets the UTF-8 encoder.
  HPDF_Font font = name != nullptr ? HPDF_GetFont(pdfDoc_, name, kTextEncoding) : nullptr;
  if (font == nullptr) HPDF_ResetError(pdfDoc_);
  return font;
}

HPDF_Font PdfTextWriter::LoadCjkFont(int scriptClass) {
  for (const CjkFontFile& file : CjkFontCandidates(scriptClass)) {
    if (HPDF_Font font = LoadFontFile(file.path, file.collectionIndex, file.isCollection)) {
      return font;
    }
  }
  return nullptr;
}

bool PdfTextWriter::Covers(HPDF_Font font, uint32_t codePoint) const {
  if (font == baseFont_ && singleByteBase_) return InWinAnsi(codePoint);
  const auto* attributes = static_cast<const HPDF_FontAttr_Rec*>(font->attr);
  if (attributes->fontdef->type != HPDF_FONTDEF_TYPE_TRUETYPE) return true;
  return codePoint <= kLastMappable &&
         HPDF_TTFontDef_GetGlyphid(attributes->fontdef, static_cast<HPDF_UINT16>(codePoint)) != 0;
}

bool PdfTextWriter::BaseFontCoversAll(const std::string& text) const {
  bool covered = true;
  ForEachCodePoint(text.data(), text.size(), [&](uint32_t codePoint, size_t, size_t) {
    if (covered && !IsControl(codePoint) && codePoint <= kLastMappable) {
      covered = Covers(baseFont_, codePoint);
    }
  });
  return covered;
}

// A font of the machine for a character that the fonts in use lack: one loaded before for
// another character if it has it too, else the best one fontconfig knows. Each character is
// looked up once per document.
HPDF_Font PdfTextWriter::CoveringFont(uint32_t codePoint) {
  if (const auto known = coveringChoice_.find(codePoint); known != coveringChoice_.end()) {
    return known->second;
  }
  HPDF_Font chosen = nullptr;
  for (HPDF_Font font : coveringFonts_) {
    if (Covers(font, codePoint)) {
      chosen = font;
      break;
    }
  }
  if (chosen == nullptr && coveringFonts_.size() < kMaxCoveringFonts) {
    for (const platform::FontFile& file :
         platform::FindFontsCovering(codePoint, kCoveringCandidates)) {
      const bool collection =
          file.path.size() > 4 && file.path.compare(file.path.size() - 4, 4, ".ttc") == 0;
      HPDF_Font font = LoadFontFile(file.path, file.collectionIndex, collection);
      if (font == nullptr || !Covers(font, codePoint)) continue;
      if (std::find(coveringFonts_.begin(), coveringFonts_.end(), font) == coveringFonts_.end()) {
        coveringFonts_.push_back(font);
      }
      chosen = font;
      break;
    }
  }
  coveringChoice_.emplace(codePoint, chosen);
  return chosen;
}

// Script segments, each in its script's font, cut further wherever that font has no glyph for a
// character: then the font of the character's own script, the base font, or a font of the machine
// that has it takes over. Spaces, digits, punctuation and marks stay in the font of the run they
// are in when it has them, so that a run changes font only where it must.
std::vector<PdfTextWriter::FontRun> PdfTextWriter::SplitIntoFontRuns(const char* text,
                                                                     size_t length) {
  std::vector<FontRun> runs;
  size_t position = 0;
  while (auto segment = NextSegment(text, length, position)) {
    HPDF_Font segmentFont = ScriptFont(segment->scriptClass);
    ForEachCodePoint(
        text + segment->start, segment->length,
        [&](uint32_t codePoint, size_t offset, size_t used) {
          HPDF_Font runFont = runs.empty() ? nullptr : runs.back().font;
          const bool continues =
              !runs.empty() && runs.back().start + runs.back().length == segment->start + offset;
          HPDF_Font font = segmentFont;
          if (IsControl(codePoint) || codePoint > kLastMappable || codePoint == kReplacement) {
            font = continues ? runFont : segmentFont;
          } else if (continues &&
                     (ScriptClassOf(codePoint) == kScriptNeutral || IsNonSpacingMark(codePoint)) &&
                     Covers(runFont, codePoint)) {
            font = runFont;
          } else if (!Covers(segmentFont, codePoint)) {
            const int ownClass = ScriptClassOf(codePoint);
            HPDF_Font own = ownClass > kScriptOther ? ScriptFont(ownClass) : nullptr;
            if (own != nullptr && Covers(own, codePoint)) {
              font = own;
            } else if (Covers(baseFont_, codePoint)) {
              font = baseFont_;
            } else if (HPDF_Font covering = CoveringFont(codePoint)) {
              font = covering;
            }
          }
          if (continues && font == runFont) {
            runs.back().length += used;
          } else {
            runs.push_back({segment->start + offset, used, font});
          }
        });
  }
  return runs;
}

std::string PdfTextWriter::RunBytes(const char* text, const FontRun& run) const {
  std::string bytes(text + run.start, run.length);
  return run.font == baseFont_ && singleByteBase_ ? Utf8ToWinAnsi(bytes) : bytes;
}

float PdfTextWriter::TextWidth(HPDF_Font font, const std::string& bytes) const {
  const HPDF_TextWidth width = HPDF_Font_TextWidth(
      font, reinterpret_cast<const HPDF_BYTE*>(bytes.data()), static_cast<HPDF_UINT>(bytes.size()));
  return static_cast<float>(width.width) * static_cast<float>(currentSize_) / 1000;
}

// The bytes of the line that starts the text: up to the last place where a line may end (see
// LineBreakAllowed) before the width is used up. A word wider than the whole line is cut after its
// last character that fits, so that CJK text and long words fill their lines. Spaces at the end
// of a line may reach past it.
size_t PdfTextWriter::MeasureFontRuns(const char* text, size_t length, float width) {
  float x = 0;
  size_t lastBreak = 0;
  size_t lastCharacterEnd = 0;
  uint32_t previous = 0;
  bool first = true;
  bool full = false;
  size_t fitting = length;
  for (const FontRun& run : SplitIntoFontRuns(text, length)) {
    ForEachCodePoint(
        text + run.start, run.length, [&](uint32_t codePoint, size_t offset, size_t used) {
          if (full) return;
          const size_t at = run.start + offset;
          if (!first && LineBreakAllowed(previous, codePoint)) lastBreak = at;
          if (!first && !IsNonSpacingMark(codePoint)) lastCharacterEnd = at;
          const float advance = TextWidth(run.font, RunBytes(text, {at, used, run.font}));
          if (codePoint != U' ' && x + advance > width) {
            full = true;
            fitting = lastBreak > 0 ? lastBreak : lastCharacterEnd;
            return;
          }
          x += advance;
          previous = codePoint;
          first = false;
        });
    if (full) break;
  }
  return fitting;
}

// Every run of a line stands on one baseline: where the base font's lines stand, whatever the
// heights of the other fonts.
void PdfTextWriter::DrawFontRuns(const char* text, size_t length, const Line& line) {
  const float baseline = line.top - static_cast<float>(HPDF_Font_GetBBox(baseFont_).top) *
                                        static_cast<float>(currentSize_) / 1000;
  float x = line.left;
  for (const FontRun& run : SplitIntoFontRuns(text, length)) {
    const std::string bytes = RunBytes(text, run);
    UseFont(run.font);
    HPDF_Page_TextOut(pdfPage_, x, baseline, bytes.c_str());
    x += TextWidth(run.font, bytes);
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
  coveringFonts_.clear();
  coveringChoice_.clear();
  multiFont_ = false;
  analyser_ = {};
  previousSize_ = 0;
  currentSize_ = 0;
  cjkResourcesLoaded_ = false;
  singleByteBase_ = false;
}

}  // namespace zel
