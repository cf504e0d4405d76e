// Requests understood only by the test build of the host.
#pragma once

#include <cstdint>
#include <string_view>

namespace zel {

// Crashes the listener thread that takes the request.
inline constexpr int32_t kCrashOpcode = 0x7E57C0DE;
// Holds the listener for one and a half seconds, then fails like any unknown opcode.
inline constexpr int32_t kStallOpcode = 0x7E575700;
// Writes kHangingText to the standard output, then holds the listener until the host is ended,
// checking nothing: only the watchdog or the end of the process ends it.
inline constexpr int32_t kHangOpcode = 0x7E57A4C0;
inline constexpr char kHangingText[] = "hanging in a request";
// Allocates (and touches) the number of mebibytes that follows, then fails like any unknown
// opcode: a decoder that asks for more than the host may have.
inline constexpr int32_t kAllocateOpcode = 0x7E57A110;

// The request time limits of the test build.
inline constexpr int32_t kTestTimeLimitMs = 3000;
inline constexpr int32_t kTestTimeGraceMs = 2000;

// ConvertToBitmap of a file of this name is answered with a still image of 0 × 0 pixels.
inline constexpr std::u16string_view kEmptyFrameFileName = u"zel-empty-frame.png";

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
