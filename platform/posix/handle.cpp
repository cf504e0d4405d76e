#include "platform/handle.h"

#include "platform/posix/kernel_object.h"

namespace zel::platform {

void CloseHandle(Handle handle) noexcept { delete handle; }

}  // namespace zel::platform
