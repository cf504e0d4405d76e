// Waiting for a process or an inherited descriptor to become signalled: a process descriptor
// (Linux pidfd) is signalled when the process ends, any other descriptor when it turns readable
// or is hung up.
#pragma once

#include <cstdint>

namespace zel::platform {

enum class DescriptorWaitResult { kSignalled, kTimedOut, kFailed };

// Waits up to `timeoutMs` milliseconds (negative: without limit) for `descriptor`. kFailed sets
// the last error.
DescriptorWaitResult WaitForDescriptor(int descriptor, int32_t timeoutMs);

// Closes a descriptor obtained from the system (for example a process descriptor).
void CloseDescriptor(int descriptor);

}  // namespace zel::platform
