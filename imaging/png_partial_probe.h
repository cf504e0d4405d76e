// The facts of a PNG file from its first and last bytes. The chunk headers and CRCs are walked
// from the front up to the image data and from the back down to it; when nothing that matters can
// hide in between, the head is pinged, with an EXIF chunk found after the image data moved in front
// of it so that the ping sees the orientation and date.
#pragma once

#include <cstdint>

#include "facts/image_summary.h"
#include "imaging/partial_image_data.h"

namespace zel {

// A ProbeResult; on kProbeNeedMore `needHead` and `needTail` say how many bytes from each end the
// next attempt should carry (the caller sets both to 0 first). Never asks for more than 1 MiB from
// either end, nor for more than the file holds. Never throws.
int32_t ProbePng(const PartialImageData& partial, ImageSummary& summary, int32_t& needHead,
                 int32_t& needTail);

}  // namespace zel
