// Process-wide hardening applied by the host at start: heap corruption ends the process through the
// crash path, and no memory may become executable once the libraries are loaded.
#pragma once

#include <cstdint>

namespace zel::platform {

// Makes the allocator abort (and so end in the crash handlers) when it detects heap corruption.
void EnableHeapTerminationOnCorruption();

// Forbids writable-and-executable memory and any later gain of execute permission for the process
// (and the children it might start). Returns 0, kErrorNotSupported when the system has no such
// control, or the system error code when it refuses.
int32_t ProhibitDynamicCodeExecution();

}  // namespace zel::platform
