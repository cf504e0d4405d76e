#include "platform/last_error.h"

#include <cerrno>

namespace zel::platform {

int32_t LastError() { return errno; }

void SetLastError(int32_t code) { errno = code; }

}  // namespace zel::platform
