// The GIF fast path: decodes a GIF animation into composed, scaled frames that together fit a
// byte budget, without ever holding a decoded frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "imaging/gif_animation.h"

namespace zel {

// Returns nothing when the data is not a GIF animation the path can take (fewer than two frames,
// no scale that fits byteLimit, a bounding box beyond the library's area limit, a library error,
// or a stream that does not match the ping); the caller then decodes the file the ordinary way.
std::optional<GifAnimation> DecodeGifFast(const void* data, size_t size, int32_t byteLimit);

}  // namespace zel
