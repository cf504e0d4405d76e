// Geometry of the GIF fast path: the frame rectangles learnt from a ping, the output rectangles
// on the scaled canvas, and the box-filter tables that map canvas pixels to output pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace zel {

// A source frame's area in source coordinates (later shifted to the bounding box) and its
// disposal: 2 restores the area to the background, 3 to what was there before.
struct SourceFrameRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t dispose = 0;
};

// A half-open rectangle [x0, x1) x [y0, y1) on the scaled canvas.
struct OutputRect {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;

  int64_t Bytes() const { return int64_t{x1 - x0} * (y1 - y0) * 4; }
};

// The area each frame changes on an output canvas of width x height reached with the scales
// xScale and yScale: frame 0 is the whole canvas; a later frame covers its own rectangle plus the
// previous frame's when that one's disposal restores its area. No margin is added.
std::vector<OutputRect> ComputeOutputRects(const std::vector<SourceFrameRect>& frames,
                                           double xScale, double yScale, int32_t width,
                                           int32_t height);

int64_t TotalBytes(const std::vector<OutputRect>& rects);

// Area-averaging weights for one axis: output index i takes `count[i]` source indexes from
// `first[i]` on, with weights weights[offset[i]] ... weights[offset[i] + count[i] - 1].
struct ResampleTable {
  std::vector<int32_t> first;
  std::vector<int32_t> count;
  std::vector<int32_t> offset;
  std::vector<float> weights;
};

// Box filter from sourceSize to outputSize samples; ratio is outputSize / sourceSize.
ResampleTable BuildResampleTable(int32_t sourceSize, int32_t outputSize, double ratio);

}  // namespace zel
