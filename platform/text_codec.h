// The platform's text converter between UTF-16 and narrow code pages. On Linux the active code page
// is UTF-8, so both code pages below mean UTF-8 here.
//
// Both functions convert exactly `length` input units (a NUL is converted like any other
// character). With `capacity` 0 they only measure and set `count` to the number of output units
// needed; otherwise they write at most `capacity` units to `out` and set `count` to the number
// written. They return 0, kErrorInsufficientBuffer when `out` is too small, or
// kErrorInvalidParameter for a length that is not positive, an unknown code page or a result
// larger than a 32-bit count.
//
// Invalid input never fails: a UTF-16 surrogate without its partner becomes U+FFFD, and ill-formed
// UTF-8 becomes U+FFFD by the one rule of platform/utf8.h.
#pragma once

#include <cstdint>

namespace zel::platform {

inline constexpr uint32_t kCodePageAnsi = 0;
inline constexpr uint32_t kCodePageUtf8 = 65001;

int32_t WideToNarrow(uint32_t codePage, const char16_t* wide, int32_t length, char* out,
                     int32_t capacity, int32_t& count);
int32_t NarrowToWide(uint32_t codePage, const char* narrow, int32_t length, char16_t* out,
                     int32_t capacity, int32_t& count);

}  // namespace zel::platform
