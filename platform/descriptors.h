// Descriptors the process holds, seen as a whole: none of them may reach a program started later.
#pragma once

#include <cstdint>

namespace zel::platform {

// Marks every descriptor from 3 up close-on-exec: whatever the parent passed down (the wait
// descriptor among them) and whatever the libraries opened while the host started. Returns 0 or
// the system error code.
int32_t MarkDescriptorsCloseOnExec();

}  // namespace zel::platform
