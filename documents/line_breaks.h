// Where a line of text may end. Words of alphabetic scripts end at spaces; Chinese, Japanese and
// Korean text may break between any two characters, except before closing punctuation and after
// opening punctuation, which stay with the character they belong to.
#pragma once

#include <cstdint>

namespace zel {

// Whether a line may end between `before` and `after` (adjacent characters in display order).
bool LineBreakAllowed(uint32_t before, uint32_t after);

}  // namespace zel
