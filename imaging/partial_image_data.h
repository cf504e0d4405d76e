// What a viewer sends when it wants an image's facts without sending the whole file: the first
// bytes, optionally the last bytes, and the size of the whole file. The probes answer with one of
// the results below.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

struct PartialImageData {
  const uint8_t* head = nullptr;  // the first headLength bytes of the file
  int32_t headLength = 0;
  const uint8_t* tail = nullptr;  // the last tailLength bytes; none when tailLength is 0
  int32_t tailLength = 0;
  int64_t totalSize = 0;  // at least headLength and tailLength
  std::u16string name;    // format hint for the image library
};

enum ProbeResult : int32_t {
  kProbeSummaryFilled = 0,
  kProbeNeedMore = 1,  // the needs say how many bytes from each end the next attempt should carry
  kProbeImpossible = 2,
};

}  // namespace zel
