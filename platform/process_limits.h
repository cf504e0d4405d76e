// Bounds on the whole process, applied by the host after start-up: how much memory it may take
// and that it ends with the process that started it.
#pragma once

#include <cstdint>

namespace zel::platform {

// The machine's physical memory in bytes (0 when it cannot be told).
uint64_t PhysicalMemoryBytes();

// Caps the process's data — heap and private writable mappings, so every allocation a decoder
// makes, but neither shared memory nor the program's own code — at `bytes`, for good: a later
// allocation beyond it fails instead of succeeding. Unavailable in a sanitizer build, whose
// shadow memory alone is larger than any such cap. Returns 0, kErrorNotSupported where no cap can
// apply, or the system error code when the system refuses it.
int32_t LimitDataMemory(uint64_t bytes);

// Ends the process a few seconds after the process that started it ends, even while its threads
// are busy: long enough to stop in order, which a waiting main thread starts at once, but not for
// a request that does not finish. The system tells a child when the thread that started it ends;
// the countdown only starts when the parent process is really gone, so a viewer that starts
// hosts from short-lived threads keeps them. Returns 0 or the system error code.
int32_t EndWithParentProcess();

}  // namespace zel::platform
