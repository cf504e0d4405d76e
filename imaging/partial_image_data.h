// What a viewer sends when it wants an image's facts without sending the whole file: the first
// bytes, optionally the last bytes, and the size of the whole file. The probes answer with a
// ProbeResult.
#pragma once

#include <cstdint>
#include <string>

#include "facts/probe_result.h"

namespace zel {

struct PartialImageData {
  const uint8_t* head = nullptr;  // the first headLength bytes of the file
  int32_t headLength = 0;
  const uint8_t* tail = nullptr;  // the last tailLength bytes; none when tailLength is 0
  int32_t tailLength = 0;
  int64_t totalSize = 0;  // at least headLength and tailLength
  std::u16string name;    // format hint for the image library
};

}  // namespace zel
