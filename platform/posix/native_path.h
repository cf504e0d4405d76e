// Conversion of the system's wide paths to the byte paths of the POSIX calls.
#pragma once

#include <string>

namespace zel::platform {

// The UTF-8 form of `path` in `native`; false (with errno EINVAL) for a path holding a NUL
// character, which no POSIX call could see whole.
bool ToNativePath(const std::u16string& path, std::string& native);

// `native` without trailing slashes (a lone "/" stays). A trailing slash makes the system resolve a
// symbolic link at the end of the path, which calls that must not follow links cannot allow.
void DropTrailingSlashes(std::string& native);

// The wide form of a name returned by the system.
std::u16string FromNativeName(const char* name);

}  // namespace zel::platform
