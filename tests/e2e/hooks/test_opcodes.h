// Opcodes understood only by the test build of the host.
#pragma once

#include <cstdint>

namespace zel {

// Crashes the listener thread that takes the request.
inline constexpr int32_t kCrashOpcode = 0x7E57C0DE;
// Holds the listener for one and a half seconds, then fails like any unknown opcode.
inline constexpr int32_t kStallOpcode = 0x7E575700;

}  // namespace zel
