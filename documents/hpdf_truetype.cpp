#include "documents/hpdf_truetype.h"

#include <hpdf_doc.h>
#include <hpdf_fontdef.h>
#include <hpdf_list.h>
#include <hpdf_streams.h>

#include <cstdint>
#include <vector>

namespace zel {
namespace {

// Composite glyph component flags (TrueType 'glyf' table).
constexpr uint16_t kArgsAreWords = 0x0001;
constexpr uint16_t kHasScale = 0x0008;
constexpr uint16_t kMoreComponents = 0x0020;
constexpr uint16_t kHasXYScale = 0x0040;
constexpr uint16_t kHasTwoByTwo = 0x0080;
// numberOfContours and the bounding box precede a glyph's outline or component records.
constexpr size_t kGlyphHeaderSize = 10;
// No glyph description needs more; a larger 'loca' span is corrupt.
constexpr HPDF_UINT32 kMaxGlyphSize = 1u << 20;

uint16_t ReadUint16(const std::vector<HPDF_BYTE>& bytes, size_t at) {
  return static_cast<uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

// Gives the embedded font the next subset tag of the document, exactly as the library's own
// loaders do, so that tags stay unique however the fonts were loaded.
void NextTag(HPDF_Doc pdf, HPDF_FontDef def) {
  if (pdf->ttfont_tag[0] == 0) {
    const char kFirst[] = "HPDFAA";
    for (int i = 0; i < 6; ++i) pdf->ttfont_tag[i] = static_cast<HPDF_BYTE>(kFirst[i]);
  } else {
    for (int i = 5; i >= 0; --i) {
      pdf->ttfont_tag[i] = static_cast<HPDF_BYTE>(pdf->ttfont_tag[i] + 1);
      if (pdf->ttfont_tag[i] > 'Z') {
        pdf->ttfont_tag[i] = 'A';
      } else {
        break;
      }
    }
  }
  HPDF_TTFontDef_SetTagName(def, reinterpret_cast<char*>(pdf->ttfont_tag));
}

// The glyph ids of the components of glyph `gid`, empty for a simple or empty glyph.
std::vector<uint16_t> ComponentsOf(HPDF_TTFontDefAttr attr, HPDF_UINT16 gid) {
  std::vector<uint16_t> components;
  const HPDF_UINT32 start = attr->glyph_tbl.offsets[gid];
  const HPDF_UINT32 end = attr->glyph_tbl.offsets[gid + 1];
  if (end <= start || end - start > kMaxGlyphSize) return components;
  HPDF_UINT length = end - start;
  if (length < kGlyphHeaderSize) return components;
  std::vector<HPDF_BYTE> glyph(length);
  if (HPDF_Stream_Seek(attr->stream, static_cast<HPDF_INT>(attr->glyph_tbl.base_offset + start),
                       HPDF_SEEK_SET) != HPDF_OK ||
      HPDF_Stream_Read(attr->stream, glyph.data(), &length) != HPDF_OK) {
    return components;
  }
  glyph.resize(length);
  if (glyph.size() < kGlyphHeaderSize) return components;
  const auto contours = static_cast<int16_t>(ReadUint16(glyph, 0));
  if (contours >= 0) return components;
  size_t at = kGlyphHeaderSize;
  for (;;) {
    if (at + 4 > glyph.size()) break;
    const uint16_t flags = ReadUint16(glyph, at);
    components.push_back(ReadUint16(glyph, at + 2));
    at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
    if (flags & kHasScale) {
      at += 2;
    } else if (flags & kHasXYScale) {
      at += 4;
    } else if (flags & kHasTwoByTwo) {
      at += 8;
    }
    if (!(flags & kMoreComponents)) break;
  }
  return components;
}

void MarkComponents(HPDF_TTFontDefAttr attr) {
  HPDF_BYTE* used = attr->glyph_tbl.flgs;
  std::vector<uint16_t> pending;
  for (HPDF_UINT16 gid = 0; gid < attr->num_glyphs; ++gid) {
    if (used[gid]) pending.push_back(gid);
  }
  while (!pending.empty()) {
    const uint16_t gid = pending.back();
    pending.pop_back();
    for (const uint16_t component : ComponentsOf(attr, gid)) {
      if (component < attr->num_glyphs && !used[component]) {
        used[component] = 1;
        pending.push_back(component);
      }
    }
  }
}

}  // namespace

const char* HPDF_LoadTTFontFromMemory(HPDF_Doc pdf, const HPDF_BYTE* buffer, HPDF_UINT size,
                                      HPDF_BOOL embedding) {
  if (!HPDF_HasDoc(pdf)) return nullptr;
  if (buffer == nullptr || size == 0) {
    HPDF_SetError(&pdf->error, HPDF_INVALID_PARAMETER, 0);
    return nullptr;
  }
  HPDF_Stream stream = HPDF_MemStream_New(pdf->mmgr, size);
  if (stream == nullptr) return nullptr;
  if (HPDF_Stream_Write(stream, buffer, size) != HPDF_OK) {
    HPDF_Stream_Free(stream);
    return nullptr;
  }
  // The font definition owns the stream from here on, also when loading fails.
  HPDF_FontDef def = HPDF_TTFontDef_Load(pdf->mmgr, stream, embedding);
  if (def == nullptr) return nullptr;
  if (HPDF_FontDef existing = HPDF_Doc_FindFontDef(pdf, def->base_font)) {
    HPDF_FontDef_Free(def);
    return existing->base_font;
  }
  if (HPDF_Doc_RegisterFontDef(pdf, def) != HPDF_OK) return nullptr;
  if (embedding) NextTag(pdf, def);
  return def->base_font;
}

void MarkCompositeGlyphComponents(HPDF_Doc pdf) {
  if (!HPDF_HasDoc(pdf) || pdf->fontdef_list == nullptr) return;
  for (HPDF_UINT i = 0; i < pdf->fontdef_list->count; ++i) {
    auto def = static_cast<HPDF_FontDef>(HPDF_List_ItemAt(pdf->fontdef_list, i));
    if (def == nullptr || def->type != HPDF_FONTDEF_TYPE_TRUETYPE) continue;
    auto attr = static_cast<HPDF_TTFontDefAttr>(def->attr);
    if (attr == nullptr || !attr->embedding || attr->stream == nullptr ||
        attr->glyph_tbl.flgs == nullptr || attr->glyph_tbl.offsets == nullptr) {
      continue;
    }
    MarkComponents(attr);
  }
}

}  // namespace zel
