// The process-wide switch between the current way of fitting animations into a byte budget
// (composed canvas frames, GIF fast path) and the older one (every frame zoomed alike). Server mode
// leaves it on; only the convert tool, which runs without listener threads, writes it, before it
// decodes anything.
#pragma once

namespace zel {

inline bool newScaling = true;

}  // namespace zel
