#include "imaging/gif_geometry.h"

#include <algorithm>
#include <cmath>

namespace zel {

std::vector<OutputRect> ComputeOutputRects(const std::vector<SourceFrameRect>& frames,
                                           double xScale, double yScale, int32_t width,
                                           int32_t height) {
  std::vector<OutputRect> rects;
  rects.reserve(frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    if (i == 0) {
      rects.push_back({0, 0, width, height});
      continue;
    }
    SourceFrameRect area = frames[i];
    const SourceFrameRect& previous = frames[i - 1];
    if (previous.dispose == 2 || previous.dispose == 3) {
      area.left = std::min(area.left, previous.left);
      area.top = std::min(area.top, previous.top);
      area.right = std::max(area.right, previous.right);
      area.bottom = std::max(area.bottom, previous.bottom);
    }
    OutputRect rect;
    rect.x0 = static_cast<int32_t>(std::max(0.0, std::floor(area.left * xScale)));
    rect.y0 = static_cast<int32_t>(std::max(0.0, std::floor(area.top * yScale)));
    rect.x1 =
        static_cast<int32_t>(std::min(std::ceil(area.right * xScale), static_cast<double>(width)));
    rect.y1 = static_cast<int32_t>(
        std::min(std::ceil(area.bottom * yScale), static_cast<double>(height)));
    if (rect.x0 >= rect.x1 || rect.y0 >= rect.y1) rect = {0, 0, 1, 1};
    rects.push_back(rect);
  }
  return rects;
}

int64_t TotalBytes(const std::vector<OutputRect>& rects) {
  int64_t total = 0;
  for (const OutputRect& rect : rects) total += rect.Bytes();
  return total;
}

ResampleTable BuildResampleTable(int32_t sourceSize, int32_t outputSize, double ratio) {
  ResampleTable table;
  table.first.reserve(outputSize);
  table.count.reserve(outputSize);
  table.offset.reserve(outputSize);
  const double step = 1.0 / ratio;
  for (int32_t i = 0; i < outputSize; ++i) {
    const double lo = std::min(sourceSize - 0.000000001, i * step);
    const double hi = std::min(static_cast<double>(sourceSize), (i + 1) * step);
    const int32_t first = static_cast<int32_t>(std::floor(lo));
    const int32_t end =
        std::max(first + 1, std::min(static_cast<int32_t>(std::ceil(hi)), sourceSize));
    const size_t offset = table.weights.size();
    float sum = 0.0f;
    for (int32_t j = first; j < end; ++j) {
      const float overlap = static_cast<float>(
          std::max(0.0, std::min(j + 1.0, hi) - std::max(lo, static_cast<double>(j))));
      table.weights.push_back(overlap);
      sum += overlap;
    }
    for (size_t k = offset; k < table.weights.size(); ++k) {
      table.weights[k] = sum > 0.0f ? table.weights[k] / sum : 1.0f / (end - first);
    }
    table.first.push_back(first);
    table.count.push_back(end - first);
    table.offset.push_back(static_cast<int32_t>(offset));
  }
  return table;
}

}  // namespace zel
