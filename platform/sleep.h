// Suspends the calling thread.
#pragma once

#include <cstdint>

namespace zel::platform {

void SleepMilliseconds(uint32_t milliseconds);

}  // namespace zel::platform
