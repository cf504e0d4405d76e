// The calling thread's last system error code: errno on POSIX, GetLastError on Windows. Wrappers of
// system calls report it; the layers above turn it into exceptions.
#pragma once

#include <cstdint>

namespace zel::platform {

int32_t LastError();
void SetLastError(int32_t code);

}  // namespace zel::platform
