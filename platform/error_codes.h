// Error codes with a fixed meaning throughout the system. Everywhere else a wrapper reports the
// failing call's own code (errno on Linux); these few are the ones the callers test for by value,
// so the platform layer reports exactly these numbers for the situations below whatever the
// system's own code was.
#pragma once

#include <cstdint>

namespace zel::platform {

// A folder to be listed does not exist (ENOENT from opening a listing).
inline constexpr int32_t kErrorPathNotFound = 3;
// An argument is out of range (a negative length, an unknown code page).
inline constexpr int32_t kErrorInvalidParameter = 87;
// An output buffer is too small for a text conversion.
inline constexpr int32_t kErrorInsufficientBuffer = 122;
// A folder to be removed still has entries (ENOTEMPTY or EEXIST from rmdir).
inline constexpr int32_t kErrorDirNotEmpty = 145;

}  // namespace zel::platform
