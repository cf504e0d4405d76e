// The main thread's wait while the listeners serve: the host lives exactly as long as its viewer.
#pragma once

#include <cstdint>

namespace zel {

// Waits for `waitHandle` (an inherited descriptor that is signalled when readable or hung up) and
// closes it, or, when it is 0, waits for the parent process to end. Returns at once when the parent
// is already gone.
void WaitForViewer(uint64_t waitHandle);

}  // namespace zel
