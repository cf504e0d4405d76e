// The box-filter tables of the GIF fast path, which map the pixels of its canvas at source
// resolution to the pixels of the scaled canvas.
#pragma once

#include <cstdint>
#include <vector>

namespace zel {

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
