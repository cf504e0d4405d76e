// Converts lengths in points (1/72 inch) to pixels at the screen's current resolution.
#pragma once

#include <cstdint>

namespace zel {

// Replaces each non-null length, in points, by its length in screen pixels (truncated toward
// zero; a result beyond the 32-bit range saturates).
void ScaleToScreenPixels(int32_t* x, int32_t* y);

}  // namespace zel
