// A mutex shared by every process that opens the same name. When its owner dies while holding it,
// the next waiter gets it (reported as abandoned) and the mutex stays usable.
#pragma once

#include <cstdint>
#include <string>

#include "platform/handle.h"
#include "platform/shared_memory.h"

namespace zel::platform {

// Creates the mutex or opens the existing one of that name.
int32_t CreateNamedMutex(const std::u16string& name, const SecurityAttributes* attributes,
                         HandleGuard& mutex);

// Waits without a time-out. On success `abandoned` tells whether the previous owner died holding
// it.
int32_t WaitForMutex(Handle mutex, bool& abandoned);

int32_t ReleaseMutex(Handle mutex);

}  // namespace zel::platform
