// The system's folder for temporary files.
#pragma once

#include <string>

namespace zel::platform {

// The folder named by TMPDIR, or /tmp when that is unset or empty. It may or may not end in a
// separator.
std::u16string TemporaryPath();

}  // namespace zel::platform
