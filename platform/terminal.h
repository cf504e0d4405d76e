// Whether a standard stream is shown on a terminal, for output that only makes sense to a person
// watching (a progress line redrawn in place).
#pragma once

namespace zel::platform {

enum class StandardStream { kOutput, kError };

bool IsTerminal(StandardStream stream);

}  // namespace zel::platform
