// How a probe over part of a file ended. The values travel to the viewer as they are.
#pragma once

#include <cstdint>

namespace zel {

enum ProbeResult : int32_t {
  kProbeSummaryFilled = 0,
  kProbeNeedMore = 1,  // the needs say how many bytes from each end the next attempt should carry
  kProbeImpossible = 2,
};

}  // namespace zel
