// The settings of one conversion's decoder: the byte budget, the size box and the way an
// animation over budget is brought inside it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace zel {

enum class AnimationScaling {
  // Frames composed onto one canvas and sent as the scaled areas that changed (the GIF fast path
  // or canvas mode), where the turn allows it.
  kComposed,
  // Every frame zoomed alike at its own offset, as the decoder once did; the convert tool keeps
  // it for comparison.
  kZoomEveryFrame,
};

struct DecodeOptions {
  // Most bytes that the pixels of all frames of one reply may take, −1 for no limit.
  int32_t byteLimit = -1;
  // The size box for still images: the long limit bounds the picture's longer side; both 0 for
  // none.
  int32_t longSideLimit = 0;
  int32_t shortSideLimit = 0;
  AnimationScaling animationScaling = AnimationScaling::kComposed;
};

// The options for a box asked for as two sides in either order: 800 by 600 and 600 by 800 are the
// same box, and there is a box only when both sides are at least 1.
inline DecodeOptions BoxedDecodeOptions(int32_t byteLimit, int32_t side1, int32_t side2) {
  const bool boxed = side1 >= 1 && side2 >= 1;
  return {byteLimit, boxed ? std::max(side1, side2) : 0, boxed ? std::min(side1, side2) : 0};
}

}  // namespace zel
