// The size hint that lets the JPEG decoder skip detail a still picture will lose anyway. The
// decoder reads it as a size to reach at least in both directions and picks its reduction from
// the ratio of the picture to that size; a picture smaller than the hint would come out enlarged
// (by up to two), so the hint is only ever given for a reduction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zel {

// "WxH", the size that the picture in `data` will be fitted to in the box, when `data` is a JPEG
// larger than that box; empty otherwise (no box, not a JPEG, an unreadable header, a picture that
// already fits).
std::string JpegPreScaleHint(const void* data, size_t size, int32_t longSideLimit,
                             int32_t shortSideLimit);

}  // namespace zel
