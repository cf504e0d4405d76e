// A mutex shared by every process that opens the same name. When its owner dies while holding it,
// the next waiter gets it (reported as abandoned) and the mutex stays usable.
#pragma once

#include <string>

#include "platform/handle.h"
#include "platform/shared_memory.h"

namespace zel::platform {

// Creates the mutex or opens the existing one of that name; null with LastError() on failure.
Handle CreateNamedMutex(const std::u16string& name, const SecurityAttributes* attributes);

enum class MutexWait { kAcquired, kAbandoned, kFailed };

// Waits without a time-out. kFailed sets LastError().
MutexWait WaitForMutex(Handle mutex);
bool ReleaseMutex(Handle mutex);

}  // namespace zel::platform
