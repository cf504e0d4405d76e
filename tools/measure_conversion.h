// The convert tool's measured pass through the decoder: every frame produced as a bitmap request
// would send it, timed, listed in "frames.tsv" and optionally saved or compared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/convert_options.h"

namespace zel {

// One frame as the converter produced it: BGRA pixels, rows top to bottom, stride width × 4.
struct SentFrame {
  int32_t width = 0;
  int32_t height = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t delayMs = 0;
  std::vector<uint8_t> pixels;
};

// Decodes `data` (the bytes after the document path) under the options' limits. Returns 0, or 1
// when a comparison finds that the source has a different number of frames.
int32_t MeasureConversion(const uint8_t* data, int32_t size, const std::u16string& name,
                          const ConvertOptions& options);

}  // namespace zel
