// The exchange that a viewer has with the partial image probe: the first bytes of a file, then, as
// long as the probe asks for more and the request is reasonable, a larger head and tail.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "facts/image_summary.h"
#include "imaging/partial_image_data.h"

namespace zel {

// One call of the probe: a ProbeResult, with the needs set for kProbeNeedMore.
using PartialProbe = std::function<int32_t(const PartialImageData& partial, ImageSummary& summary,
                                           int32_t& needHead, int32_t& needTail)>;

struct OracleOutcome {
  bool sure = false;
  bool afterNeedMore = false;  // the sure answer came after the first request
  int32_t bytesSent = 0;       // head and tail bytes offered over all requests
  ImageSummary summary;        // the probe's answer when sure
};

// At most three requests; the first offers up to 64 KiB of head and no tail, and no request asks
// for more than 1 MiB at either end or more than the file holds. A probe that raises, asks for
// nothing new or asks for too much ends the exchange unsure. `partialName` is the format hint.
OracleOutcome RunOracleProbe(const std::vector<uint8_t>& file, const std::u16string& partialName,
                             const PartialProbe& probe);

}  // namespace zel
