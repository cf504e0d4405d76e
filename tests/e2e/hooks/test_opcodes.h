// Opcodes understood only by the test build of the host.
#pragma once

#include <cstdint>

namespace zel {

// Crashes the listener thread that takes the request.
inline constexpr int32_t kCrashOpcode = 0x7E57C0DE;
// Holds the listener for one and a half seconds, then fails like any unknown opcode.
inline constexpr int32_t kStallOpcode = 0x7E575700;

}  // namespace zel

// Tries, from inside the request, what the sandbox must refuse (tests/e2e/hooks/sandbox_probe.h).
inline constexpr int32_t kSandboxProbeOpcode = 0x7E575B0C;

enum SandboxProbeAttempt : int32_t {
  kReadOutside,    // open a file outside the host's folders for reading
  kCreateOutside,  // create a file outside the host's folders
  kCreateInTemp,   // create a file in the host's temp folder
  kStartProgram,   // execve
  kStartProcess,   // fork
  kOpenSocket,     // a TCP socket
  kSandboxProbeAttempts
};
