// Opcodes understood only by the test build of the host.
#pragma once

#include <cstdint>

namespace zel {

// Crashes the listener thread that takes the request.
inline constexpr int32_t kCrashOpcode = 0x7E57C0DE;

}  // namespace zel
