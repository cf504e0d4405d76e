#include "imaging/resample_table.h"

#include <algorithm>
#include <cmath>

namespace zel {

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
