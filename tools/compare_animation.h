// The convert tool's check of an animation: each frame that the converter sent, composed the way a
// viewer composes it, against an independent rendering of the source through the image library.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/convert_options.h"
#include "tools/measure_conversion.h"

namespace zel {

// Writes "compare.tsv" (and the selected frames' client and reference pictures) into the options'
// folder and reports the worst frame. Returns 0, or 1 when the source's frame count differs from
// the frames sent.
int32_t CompareAnimation(const uint8_t* data, int32_t size, const std::vector<SentFrame>& frames,
                         int32_t canvasWidth, int32_t canvasHeight, const ConvertOptions& options);

}  // namespace zel
