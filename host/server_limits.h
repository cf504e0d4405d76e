// The bounds the server puts on its own process once the libraries are set up and before the
// first request: its memory, the size of a document page's picture, and descriptors that cannot
// reach a program started later.
#pragma once

#include <cstdint>

namespace zel {

// `byteBudget` is the pixel budget of one reply. A bound the system refuses is reported on the
// error stream and serving goes on without it.
void ApplyServerLimits(int32_t byteBudget);

}  // namespace zel
