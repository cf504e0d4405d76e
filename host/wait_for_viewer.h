// The main thread's wait while the listeners serve: the host lives exactly as long as its viewer.
#pragma once

#include <cstdint>

#include "host/parent_process.h"

namespace zel {

// Waits for `waitHandle` (an inherited descriptor that is signalled when readable or hung up) and
// closes it, or, when it is 0, waits for `parent`, the viewer recorded when the host started.
// Returns at once when that process was already gone.
void WaitForViewer(uint64_t waitHandle, const ParentProcess& parent);

}  // namespace zel
