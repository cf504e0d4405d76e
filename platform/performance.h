// What the developer tools measure: elapsed time on a clock that never jumps, and the most memory
// the process has held.
#pragma once

#include <cstdint>

namespace zel::platform {

// A monotonic clock in nanoseconds from an arbitrary start; only differences mean anything.
int64_t MonotonicNanoseconds();

// The largest amount of physical memory the process has held since it started, in bytes.
uint64_t PeakWorkingSetBytes();

}  // namespace zel::platform
