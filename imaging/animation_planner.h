// Planning an animation that leaves as composed frames: one scale for the whole canvas and, per
// frame, the rectangle of the scaled canvas that the frame changes, chosen so that all rectangles
// together fit the byte budget. Canvas mode and the GIF fast path plan alike; they differ only in
// how their resampling maps a source pixel onto the scaled canvas and how far it spills.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/frame_geometry.h"

namespace zel {

// A source frame's bounds on the unscaled canvas and its disposal (2 and 3 uncover the frame's
// area when the next frame is drawn).
struct FrameBounds {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;
  int32_t dispose = 0;
};

// What sets one way of composing apart from another.
struct PlanRules {
  // Pixels added on every side of a changed area, to cover what the resampling spills past it.
  int32_t margin = 0;
  // How source coordinates reach the scaled canvas: through the scale itself (a canvas distorted
  // by it), or through the ratio of the scaled canvas's truncated size to the source size on each
  // axis (a canvas resampled to exactly that size).
  bool byOutputRatio = false;
};

struct AnimationPlan {
  double scale = 1.0;
  int32_t canvasWidth = 0;  // the scaled canvas
  int32_t canvasHeight = 0;
  // Frame 0 covers the whole canvas; a later frame what it changes plus what the previous frame's
  // disposal uncovers, widened by the margin and clipped to the canvas. An empty area becomes
  // {0, 0, 1, 1}.
  std::vector<FrameRect> rects;
  int64_t totalBytes = 0;  // BGRA bytes of all rectangles
};

// The factor on both sides that would bring `need` bytes down to the budget if nothing were
// rounded: the square root of their ratio; 1 when the need already fits.
double BudgetScale(int32_t byteLimit, int64_t need);

// Plans the frames of a canvasWidth × canvasHeight canvas at `scale`, and shrinks the scale until
// the rectangles fit byteLimit. Rounding and margins make the square-root estimate land just
// short, so each retry goes 2 % below it and the search settles within 8 attempts; nothing when
// the eighth does not fit.
std::optional<AnimationPlan> PlanAnimation(const std::vector<FrameBounds>& frames,
                                           int32_t canvasWidth, int32_t canvasHeight, double scale,
                                           int32_t byteLimit, const PlanRules& rules);

}  // namespace zel
