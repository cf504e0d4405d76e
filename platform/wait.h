// Waiting for events and threads. A wait for an auto-reset event consumes its signal; a wait for
// a manual-reset event or a thread leaves the object as it is.
#pragma once

#include <cstdint>

#include "platform/handle.h"

namespace zel::platform {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

enum class WaitResult { kFirst, kSecond, kTimeout };

// `result` is kFirst when the object is signalled, kTimeout when the time ran out first.
int32_t WaitForObject(Handle object, uint32_t timeoutMs, WaitResult& result);

// Returns as soon as either object is signalled. When both are, `first` wins and `second` keeps
// its signal.
int32_t WaitForEither(Handle first, Handle second, uint32_t timeoutMs, WaitResult& result);

}  // namespace zel::platform
