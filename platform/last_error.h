// The calling thread's last-error slot: errno on POSIX, GetLastError on Windows. The platform layer
// itself reports through return values; the slot serves the callers whose own contract is to
// leave a code there (the module loader).
#pragma once

#include <cstdint>

namespace zel::platform {

int32_t LastError();
void SetLastError(int32_t code);

}  // namespace zel::platform
