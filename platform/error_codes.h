// How the platform layer reports results, in every header of it: a call that can fail returns an
// int32_t, 0 on success and otherwise the system error code (errno on Linux, GetLastError on
// Windows); what it produces comes back through out-parameters, and every resource it hands out
// comes inside a guard (platform/guard.h). Calls that cannot fail return their value. The layer
// never reports through the thread's last-error slot (platform/last_error.h), which belongs to
// the callers that keep one.
//
// The codes below have a fixed meaning: the callers test for them by value, so the layer reports
// exactly these numbers for the situations named, whatever the system's own code was.
#pragma once

#include <cstdint>

namespace zel::platform {

// A file or object that was looked for does not exist (a font of the kind asked for).
inline constexpr int32_t kErrorFileNotFound = 2;

// A folder to be listed does not exist (ENOENT from opening a listing).
inline constexpr int32_t kErrorPathNotFound = 3;

// A listing has no more entries.
inline constexpr int32_t kErrorNoMoreFiles = 18;

// The system has no such mechanism, or it is switched off (a hardening step that cannot apply).
inline constexpr int32_t kErrorNotSupported = 50;

// An argument is out of range (a negative length, an unknown code page).
inline constexpr int32_t kErrorInvalidParameter = 87;

// A library cannot be found or loaded.
inline constexpr int32_t kErrorModuleNotFound = 126;

// A library has no export of the name asked for.
inline constexpr int32_t kErrorProcedureNotFound = 127;

// An output buffer is too small for a text conversion.
inline constexpr int32_t kErrorInsufficientBuffer = 122;

// A folder to be removed still has entries (ENOTEMPTY or EEXIST from rmdir).
inline constexpr int32_t kErrorDirNotEmpty = 145;

}  // namespace zel::platform
