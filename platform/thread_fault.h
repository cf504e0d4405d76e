// Ending a thread that cannot be stopped any other way through the crash path, so that the dump
// shows where it was.
#pragma once

#include <cstdint>

namespace zel::platform {

// Raises an abort in the thread `threadId` (CurrentThreadId of that thread) of this process; the
// fatal-fault handler then runs on that thread. Returns 0 or the system error code.
int32_t FaultThread(uint32_t threadId);

}  // namespace zel::platform
