// "zelHost --bench-detect <folder> [--oracle]": the information path timed over every file of a
// folder, or the partial image probe checked against it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "facts/image_summary.h"

namespace zel {

// Returns 0, 1 when the folder cannot be listed, or 2 when the probe disagreed with the
// information path on some file.
int32_t RunDetectionBench(const std::u16string& folder, bool oracle);

// The information path on the whole file; a failure raised inside counts as false.
bool TryReadInfo(const std::u16string& name, const std::string& mimeType,
                 const std::vector<uint8_t>& data, ImageSummary& summary);

}  // namespace zel
