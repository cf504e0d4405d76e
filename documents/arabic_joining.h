// Arabic letters in the shapes they take inside a word. The PDF writer draws one glyph per
// character and cannot choose contextual glyphs itself, so each letter is replaced by its
// presentation form (isolated, final, initial or medial, and the lam-alef ligatures) before the
// text is reordered for display.
#pragma once

#include <string>

namespace zel {

// `text` (UTF-8, logical order) with every Arabic letter that has presentation forms replaced by
// the form its neighbours call for. Everything else, ill-formed bytes included, is kept as it is.
std::string JoinArabicLetters(const std::string& text);

}  // namespace zel
