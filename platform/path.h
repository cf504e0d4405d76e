// Path separator of the platform. Paths that this system builds itself use it; paths that come from
// outside may end in either a backslash or a slash, and both are accepted as separators.
#pragma once

namespace zel::platform {

inline constexpr char16_t kPathSeparator = u'/';

}  // namespace zel::platform
