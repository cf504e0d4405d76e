// TrueType support that the PDF library of this platform (libHaru 2.3.0) lacks: loading a font from
// memory, and keeping the parts of composite glyphs that its font subsetting would drop.
#pragma once

#include <hpdf.h>

namespace zel {

// Loads a TrueType font (not a collection) from `size` bytes at `buffer` into `pdf` and returns
// the name to pass to HPDF_GetFont, or null with the error recorded in `pdf`, like the library's
// own HPDF_LoadTTFontFromFile. The bytes are copied. A font of the same name that is already
// loaded is used instead of loading it again.
const char* HPDF_LoadTTFontFromMemory(HPDF_Doc pdf, const HPDF_BYTE* buffer, HPDF_UINT size,
                                      HPDF_BOOL embedding);

// Marks, in every embedded TrueType font of `pdf`, the components of the glyphs in use as used
// too, through nested composites and whatever the component's glyph id. The library does this
// itself only for ids below 32768 (it reads them as signed) and one level deep, so many CJK glyphs
// would come out empty. Call it after the last text was placed and before saving.
void MarkCompositeGlyphComponents(HPDF_Doc pdf);

}  // namespace zel
