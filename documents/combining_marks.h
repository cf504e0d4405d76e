// Non-spacing and enclosing marks: characters drawn on or around the letter before them (vowel
// signs, accents, Hebrew points, Arabic harakat) rather than beside it.
#pragma once

#include <cstdint>

namespace zel {

bool IsNonSpacingMark(uint32_t codePoint);

}  // namespace zel
