// Number parsing of the host's command line, with the lenient rules the viewer has always relied
// on: leading blanks and a sign are accepted, parsing stops at the first non-digit, and no digits
// at all read as 0.
#pragma once

#include <cstdint>
#include <string>

namespace zel {

// A signed 32-bit decimal; values out of range saturate.
int32_t ParseInt(const std::u16string& text);

// An unsigned 64-bit decimal; a leading "-" negates modulo 2^64, values out of range saturate.
uint64_t ParseUnsigned64(const std::u16string& text);

}  // namespace zel
