// Waiting for events and threads. A wait for an auto-reset event consumes its signal; a wait for
// a manual-reset event or a thread leaves the object as it is.
#pragma once

#include <cstdint>

#include "platform/handle.h"

namespace zel::platform {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult { kFirst, kSecond, kTimeout, kFailed };

// kFirst when the object is signalled; kFailed sets LastError().
WaitResult WaitForObject(Handle object, uint32_t timeoutMs);

// Returns as soon as either object is signalled. When both are, `first` wins and `second` keeps
// its signal.
WaitResult WaitForEither(Handle first, Handle second, uint32_t timeoutMs);

}  // namespace zel::platform
