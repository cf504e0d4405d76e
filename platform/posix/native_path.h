// Conversion of the system's wide paths to the byte paths of the POSIX calls.
#pragma once

#include <string>

namespace zel::platform {

// Linux names are bytes that need not be UTF-8. A name byte that is not part of a well-formed UTF-8
// sequence travels in wide names as the lone surrogate U+DC80..U+DCFF (U+DC00 plus the byte) and
// turns back into that byte in paths, so every listed name can be used again as a path.

// The byte form of `path` in `native`; false (with errno EINVAL) for a path holding a NUL
// character, which no POSIX call could see whole.
bool ToNativePath(const std::u16string& path, std::string& native);

// `native` without trailing slashes (a lone "/" stays). A trailing slash makes the system resolve a
// symbolic link at the end of the path, which calls that must not follow links cannot allow.
void DropTrailingSlashes(std::string& native);

// The wide form of a name returned by the system; never empty for a non-empty name.
std::u16string FromNativeName(const char* name);

}  // namespace zel::platform
